#!/usr/bin/env bash
# Fuzzes the handling of one status-pipe message for SECONDS (default 60) on one core, from
# the seed corpus in fuzz/corpus. Builds the native preset first unless --program is given.
# Exits non-zero, with the crashing input saved as crash-*, when a property fails.
#
# usage: fuzz.sh [--program PATH] [--corpus DIR] [SECONDS] [extra libFuzzer options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

program=""
corpus="$root/build/native/fuzz/corpus"
while [ $# -gt 0 ]; do
  case "$1" in
    --program) program=$2; shift 2 ;;
    --corpus) corpus=$2; shift 2 ;;
    *) break ;;
  esac
done
seconds=${1:-60}
[ $# -gt 0 ] && shift

if [ -z "$program" ]; then
  "$root/scripts/setup.sh"
  cmake --preset native -S "$root" >/dev/null
  cmake --build --preset native --target message_fuzz
  program="$root/build/native/fuzz/message_fuzz"
fi

mkdir -p "$corpus"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
corpus="$(cd "$corpus" && pwd)"
# 512 bytes is twice the largest message the service reads: longer ones must be dropped too.
exec "$program" -max_total_time="$seconds" -max_len=512 -print_final_stats=1 \
     -artifact_prefix="$(dirname "$corpus")/" "$@" "$corpus" "$root/fuzz/corpus"
