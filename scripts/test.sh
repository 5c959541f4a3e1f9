#!/usr/bin/env bash
# Runs every test: builds the three presets, then one CTest run over the native unit tests,
# the inspection of the shipped 32-bit programs, the Wine tests of the 64-bit build, and the
# same Wine tests driving the shipped 32-bit programs under 32-bit Wine (label shipped32).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
# The 32-bit lane needs 32-bit Wine and, where the kernel runs no i386 programs itself, an
# emulator registered with binfmt_misc (root only). Where it cannot be had, its tests skip.
lane=0
scripts/shipped32.sh setup || lane=$?
case $lane in
  0) ;;
  77) echo "test: the shipped 32-bit programs cannot be run here (see above): the shipped32 tests are SKIPPED, not passed" ;;
  *) echo "test: setting up the 32-bit lane failed" >&2; exit 1 ;;
esac

for preset in native win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done

# One summary for all three build directories. A Wine test spends most of its time waiting
# (for processes to start and end, for windows, for what must not happen), so twice as many
# tests as cores run at once; the long Wine test programs are split into shards for this.
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("native" "win32" "win64")
CTEST
# The lane's own cleanup test takes the emulator's handler away; this covers an interrupted run.
trap 'scripts/shipped32.sh off' EXIT
trap 'exit 130' INT TERM
# Two tests a core: the Wine tests mostly wait for windows, pipes and processes.
ctest --test-dir build --output-on-failure --timeout 900 -j "$(( $(nproc) * 2 ))" "$@"
