#!/usr/bin/env bash
# Lays out what the release package holds: the shipped programs without their debugging
# information, the users' read-me and SHA256SUMS in <stage>/programs, and the debugging
# information in <stage>/debug (<program>.debug, which the program names in its debug link).
# A program that the build has stripped already brings its own <dir>/debug/<program>.debug.
# usage: prepare.sh objcopy objdump stage readme program.exe...
set -euo pipefail
objcopy=$1 objdump=$2 stage=$3 readme=$4
shift 4

rm -rf "$stage"
mkdir -p "$stage/programs" "$stage/debug"
names=()
for exe in "$@"; do
  name=$(basename "$exe" .exe)
  debug="$stage/debug/$name.debug"
  if "$objcopy" --only-keep-debug "$exe" "$debug" 2>/dev/null && \
     "$objdump" -h "$debug" | grep -q '\.debug_info'; then
    "$objcopy" --strip-all --add-gnu-debuglink="$debug" "$exe" "$stage/programs/$name.exe"
  elif [ -f "$(dirname "$exe")/debug/$name.debug" ]; then
    cp "$(dirname "$exe")/debug/$name.debug" "$debug"
    cp "$exe" "$stage/programs/$name.exe"
  else
    echo "prepare.sh: no debugging information for $exe" >&2
    exit 1
  fi
  names+=("$name.exe")
done

# Plain text for Windows users: CRLF line ends.
sed 's/$/\r/' "$readme" > "$stage/programs/README.txt"
(cd "$stage/programs" && sha256sum "${names[@]}" README.txt > SHA256SUMS)
