#!/usr/bin/env bash
# Makes the release package with CPack into a fresh directory and inspects it as a user
# receives it: exactly the three programs, README.txt and SHA256SUMS; each program a
# 32-bit PE with its manifest and the project's version; the sums right; and the debug
# archive holding, for each program, the file its debug link names, with a matching CRC.
# usage: check_package.sh cpack CPackConfig.cmake version
set -u
cpack=$1 config=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tkwd-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "package: $*"; fail=1; }

"$cpack" --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
zip=$work/out/tkWD-$version-win32.zip
debug_zip=$work/out/tkWD-$version-win32-debug.zip
archives=$(cd "$work/out" && ls -1 ./*.zip | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$archives" = "tkWD-$version-win32-debug.zip tkWD-$version-win32.zip " ] || bad "archives made: $archives"
[ -f "$zip" ] && [ -f "$debug_zip" ] || exit 1

mkdir -p "$work/pkg"
(cd "$work/pkg" && cmake -E tar xf "$zip") || bad "cannot unpack $zip"

# Nothing else ships, and nothing sits in a subdirectory.
listing=$(cd "$work/pkg" && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')
expected="README.txt SHA256SUMS tkPTSer.exe tkWDBox.exe tkWDSend.exe "
[ "$listing" = "$expected" ] || bad "ships '$listing', expected '$expected'"

# The debugging information goes where a developer puts it: debug/ beside the programs.
mkdir -p "$work/pkg/debug"
(cd "$work/pkg/debug" && cmake -E tar xf "$debug_zip") || bad "cannot unpack $debug_zip"

# Every other file is summed, and every sum matches.
summed=$(sed 's/^[0-9a-f]\{64\}  //' "$work/pkg/SHA256SUMS" | sort | tr '\n' ' ')
[ "$summed" = "README.txt tkPTSer.exe tkWDBox.exe tkWDSend.exe " ] || bad "SHA256SUMS covers '$summed'"
(cd "$work/pkg" && sha256sum --quiet -c SHA256SUMS) || bad "SHA256SUMS does not match the files"

grep -q 'tkWDSend' "$work/pkg/README.txt" && grep -q 'box.ini' "$work/pkg/README.txt" \
  || bad "README.txt does not tell how to send a status or where box.ini goes"

# name:subsystem:most bytes, as the build's own inspection has them.
for program in tkPTSer:gui:102400 tkWDBox:gui:256000 tkWDSend:console:40960; do
  IFS=: read -r name subsystem max_bytes <<<"$program"
  exe=$work/pkg/$name.exe
  "$here/check_pe.sh" "$exe" "$subsystem" "$max_bytes" >/dev/null \
    || { "$here/check_pe.sh" "$exe" "$subsystem" "$max_bytes"; fail=1; }
  strings=$(i686-w64-mingw32-strings -el "$exe")
  grep -qx "$version.0" <<<"$strings" || bad "$name.exe: FileVersion is not $version.0"
  grep -qx "$version" <<<"$strings" || bad "$name.exe: ProductVersion is not $version"

  # Shipped without debugging information, but linked to the file in the debug archive.
  i686-w64-mingw32-objdump -h "$exe" | grep -q '\.debug_info' && bad "$name.exe ships with debugging information"
  rm -f "$work/link"
  i686-w64-mingw32-objcopy --dump-section .gnu_debuglink="$work/link" "$exe" "$work/scratch.exe" 2>/dev/null
  link=$( [ -f "$work/link" ] && tr '\0' '\n' < "$work/link" | head -n1)
  [ "$link" = "$name.debug" ] || { bad "$name.exe: debug link '$link', expected $name.debug"; continue; }
  [ -f "$work/pkg/debug/$link" ] || { bad "$link missing from the debug archive"; continue; }
  i686-w64-mingw32-objdump -h "$work/pkg/debug/$link" | grep -q '\.debug_info' || bad "$link holds no debugging information"
  # The link ends in the CRC-32 of the debug file; gzip's trailer carries the same CRC.
  want=$(tail -c 4 "$work/link" | od -An -tx1 | tr -d ' \n')
  got=$(gzip -c "$work/pkg/debug/$link" | tail -c 8 | head -c 4 | od -An -tx1 | tr -d ' \n')
  [ "$want" = "$got" ] || bad "$link does not belong to $name.exe (CRC $got, link wants $want)"
done
debug_listing=$(cd "$work/pkg/debug" && find . -mindepth 1 | sed 's|^\./||' | sort | tr '\n' ' ')
[ "$debug_listing" = "tkPTSer.debug tkWDBox.debug tkWDSend.debug " ] || bad "debug archive holds '$debug_listing'"

[ $fail -eq 0 ] && echo "package tkWD-$version-win32.zip: ok"
exit $fail
