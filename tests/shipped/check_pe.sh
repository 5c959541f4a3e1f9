#!/usr/bin/env bash
# Inspects a shipped 32-bit program file: machine, subsystem, stack,
# manifest and imports (nothing beyond the system's own DLLs, no MinGW runtime).
# usage: check_pe.sh program.exe gui|console [stack_reserve stack_commit]
set -u
exe=$1 subsystem=$2 reserve=${3:-} commit=${4:-}
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
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")

# The manifest asks for asInvoker without uiAccess.
manifest=$(grep -ao 'requestedExecutionLevel[^/]*' "$exe" | head -n1)
grep -q 'level="asInvoker"' <<<"$manifest" && grep -q 'uiAccess="false"' <<<"$manifest" \
  || { echo "$exe: manifest without asInvoker/uiAccess=false"; fail=1; }
grep -aq 'F.i.l.e.V.e.r.s.i.o.n' "$exe" || { echo "$exe: no version resource"; fail=1; }

[ $fail -eq 0 ] && echo "$exe: ok"
exit $fail
