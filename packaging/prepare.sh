#!/usr/bin/env bash
# Lays out what the release package holds: the shipped programs (stripped by the build, each
# with a debug link), the users' read-me and SHA256SUMS in <stage>/programs, and their
# debugging information, <dir>/debug/<program>.debug beside each program, in <stage>/debug.
# usage: prepare.sh stage readme program.exe...
set -euo pipefail
stage=$1 readme=$2
shift 2

rm -rf "$stage"
mkdir -p "$stage/programs" "$stage/debug"
names=()
for exe in "$@"; do
  name=$(basename "$exe" .exe)
  debug="$(dirname "$exe")/debug/$name.debug"
  [ -f "$debug" ] || { echo "prepare.sh: no debugging information for $exe ($debug)" >&2; exit 1; }
  cp "$debug" "$stage/debug/$name.debug"
  cp "$exe" "$stage/programs/$name.exe"
  names+=("$name.exe")
done

# Plain text for Windows users: CRLF line ends.
sed 's/$/\r/' "$readme" > "$stage/programs/README.txt"
(cd "$stage/programs" && sha256sum "${names[@]}" README.txt > SHA256SUMS)
