#!/usr/bin/env bash
# Builds and runs the benchmark under Wine on a virtual display (scripts/wine-run.sh) and
# prints its table: the programs against bare baselines of our own, each figure a median over
# RUNS runs with baseline and program alternating run by run, then the sizes of the shipped
# 32-bit programs. Not part of scripts/test.sh.
# usage: bench.sh [runs [soak messages [idle seconds [figure]]]]   (defaults 15, 10000, 10, all)
#   figure: only the figures whose name starts with this, e.g. Throughput
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target tkPTSer tkWDBox bare_window bare_pipe_server bench_driver
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)" --target tkPTSer tkWDBox tkWDSend

# The programs side by side in a directory of their own, as they are installed.
stage=$(mktemp -d /tmp/tkwd-bench.XXXXXX)
trap 'rm -rf "$stage"' EXIT
cp build/win64/tkPTSer.exe build/win64/tkWDBox.exe build/win64/bench/*.exe "$stage"/

echo "Under wine64 on a virtual display: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo
scripts/wine-run.sh "$stage/bench_driver.exe" "$@"
echo
echo "| Shipped 32-bit program | Bytes |"
echo "|---|---|"
for program in tkWDBox tkPTSer tkWDSend; do
  echo "| $program.exe | $(stat -c %s "build/win32/$program.exe") |"
done
