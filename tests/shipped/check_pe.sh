#!/usr/bin/env bash
# Inspects a shipped 32-bit program file: machine, subsystem, stack, manifest and imports
# (nothing beyond the system's own DLLs, no MinGW runtime), and that it ships lean: at most
# max_bytes, stripped, with a debug link to its debugging information in debug/<name>.debug
# beside it.
# usage: check_pe.sh [--not-importing DLL]... program.exe gui|console max_bytes [stack_reserve stack_commit]
#   --not-importing  a DLL the program must not load at start (it may load it when needed)
set -u
unwanted=()
while [ "${1:-}" = --not-importing ]; do unwanted+=("$2"); shift 2; done
exe=$1 subsystem=$2 max_bytes=$3 reserve=${4:-} commit=${5:-}
dump=$(i686-w64-mingw32-objdump -p "$exe") || { echo "cannot read $exe"; exit 1; }
fail=0
check() { if ! grep -qE "$1" <<<"$dump"; then echo "$exe: expected $2"; fail=1; fi; }

grep -q "file format pei-i386" <<<"$(i686-w64-mingw32-objdump -f "$exe")" || { echo "$exe: not a 32-bit PE"; fail=1; }
if [ "$subsystem" = gui ]; then check 'Subsystem[[:space:]]+00000002' "the Windows GUI subsystem"
else check 'Subsystem[[:space:]]+00000003' "the console subsystem"; fi
if [ -n "$reserve" ]; then
  check "SizeOfStackReserve[[:space:]]+0*$(printf '%x' "$reserve")\$" "stack reserve $reserve"
  check "SizeOfStackCommit[[:space:]]+0*$(printf '%x' "$commit")\$" "stack commit $commit"
fi

allowed='^(KERNEL32\.dll|USER32\.dll|GDI32\.dll|SHELL32\.dll|SHLWAPI\.dll|WINSPOOL\.DRV|ADVAPI32\.dll|msvcrt\.dll|MSIMG32\.dll|COMCTL32\.dll|ole32\.dll)$'
while read -r dll; do
  grep -qiE "$allowed" <<<"$dll" || { echo "$exe: imports $dll"; fail=1; }
  for name in "${unwanted[@]}"; do
    [ "${dll,,}" = "${name,,}" ] && { echo "$exe: imports $dll, which it should load only when needed"; fail=1; }
  done
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")

# The manifest asks for asInvoker without uiAccess.
manifest=$(grep -ao 'requestedExecutionLevel[^/]*' "$exe" | head -n1)
grep -q 'level="asInvoker"' <<<"$manifest" && grep -q 'uiAccess="false"' <<<"$manifest" \
  || { echo "$exe: manifest without asInvoker/uiAccess=false"; fail=1; }
grep -aq 'F.i.l.e.V.e.r.s.i.o.n' "$exe" || { echo "$exe: no version resource"; fail=1; }

size=$(stat -c %s "$exe")
[ "$size" -le "$max_bytes" ] || { echo "$exe: $size bytes, more than $max_bytes"; fail=1; }

# Stripped: no symbol table and no debugging sections left in the program itself.
check 'symbols stripped' "no symbol table (stripped)"
if i686-w64-mingw32-objdump -h "$exe" | grep -qE '[[:space:]]\.debug_'; then
  echo "$exe: debugging sections left in the program"; fail=1
fi
# The debug link names debug/<name>.debug beside the program, and its checksum (the CRC-32
# that gzip also keeps in its trailer) is that file's.
name=$(basename "$exe" .exe)
debug_file=$(dirname "$exe")/debug/$name.debug
link=$(i686-w64-mingw32-objdump -s -j .gnu_debuglink "$exe" 2>/dev/null \
       | sed -n 's/^ [0-9a-f]\{6,\} \(\([0-9a-f]\{2,8\} \)\{1,4\}\).*/\1/p' | tr -d ' \n')
expected_name=$(printf '%s.debug' "$name" | od -An -v -tx1 | tr -d ' \n')
if [ "${link:0:${#expected_name}}" != "$expected_name" ]; then
  echo "$exe: no debug link to $name.debug"; fail=1
elif [ ! -s "$debug_file" ]; then
  echo "$exe: $debug_file missing"; fail=1
else
  crc=$(gzip -c <"$debug_file" | tail -c8 | head -c4 | od -An -v -tx1 | tr -d ' \n')
  [ "${link: -8}" = "$crc" ] || { echo "$exe: debug link checksum is not that of $debug_file"; fail=1; }
  i686-w64-mingw32-objdump -h "$debug_file" | grep -q '\.debug_info' \
    || { echo "$exe: $debug_file holds no debugging information"; fail=1; }
fi

[ $fail -eq 0 ] && echo "$exe: ok ($size bytes)"
exit $fail
