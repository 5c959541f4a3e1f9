#!/usr/bin/env bash
# Runs every test: builds the three presets, then one CTest run over the native unit tests,
# the inspection of the shipped 32-bit programs and the Wine tests of the 64-bit build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
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
ctest --test-dir build --output-on-failure --timeout 900 -j "$(( $(nproc) * 2 ))" "$@"
