#!/usr/bin/env bash
# The lane that runs the shipped 32-bit programs: wine64 hands them to Debian's 32-bit Wine
# (wine32:i386). Where the kernel runs i386 Linux programs itself, that is all; where it does
# not, the kernel's binfmt_misc hands every i386 program to the qemu-i386 user emulator
# (qemu-user 10 from bookworm-backports: bookworm's 7.2 breaks Wine's fault handling).
# TK_SHIPPED32_EMULATOR=1 takes the emulator even where the kernel could do without.
#
# usage: shipped32.sh setup   install what the lane needs; exit 77 with the reason where it
#                             cannot be set up (not root, no binfmt_misc)
#        shipped32.sh on [DIR]
#                             make i386 programs runnable: register the emulator's handler
#                             where needed (machine-wide while it stays registered), and
#                             make the Wine prefix templates; DIR must hold the shipped programs
#        shipped32.sh off     remove the handler again
#        shipped32.sh run [wine-run.sh arguments]
#                             scripts/wine-run.sh in a prefix with its 32-bit part; exit 77
#                             with the reason when 32-bit programs cannot run now
set -u
cd "$(dirname "$0")/.."

binfmt=/proc/sys/fs/binfmt_misc
handler=tkwd-i386
emulator=/usr/bin/qemu-i386   # static in qemu-user 10
skip=77

say() { echo "shipped32: $*" >&2; }

# A 96-byte static i386 Linux program that exits with 42: runs when i386 programs run here.
probe_runs() {
  local probe rc
  probe=$(mktemp /tmp/tkwd-probe.XXXXXX) || return 1
  printf '%b' "$(sed 's/../\\x&/g' <<<'7f454c460101010000000000000000000200030001000000548004083400000000000000000000003400200001000000000000000100000000000000008004080080040860000000600000000500000000100000b801000000bb2a000000cd80')" > "$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  [ $rc -eq 42 ]
}

handler_registered() { grep -qx enabled "$binfmt/$handler" 2>/dev/null; }

# The kernel runs i386 programs itself (asked with our handler out of the way).
kernel_runs_i386() {
  [ -z "${TK_SHIPPED32_EMULATOR:-}" ] && ! handler_registered && probe_runs
}

# Why the emulator's handler cannot be registered here, or nothing.
no_handler() {
  [ "$(id -u)" -eq 0 ] || { echo "not root, so no binfmt_misc handler for the i386 emulator can be registered"; return; }
  grep -qw binfmt_misc /proc/filesystems || echo "the kernel has no binfmt_misc"
}

emulator_ok() {
  [ -x "$emulator" ] || return 1
  local major
  major=$("$emulator" --version 2>/dev/null | sed -n 's/.*version \([0-9]*\)\..*/\1/p' | head -n1)
  [ "${major:-0}" -ge 10 ]
}

wine32_ok() {
  local v64 v32
  v64=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null)
  v32=$(dpkg-query -W -f='${Status} ${Version}' wine32:i386 2>/dev/null)
  [ -x /usr/lib/wine/wine ] && [ "$v32" = "install ok installed $v64" ]
}

do_setup() {
  local need_emulator=1 why
  kernel_runs_i386 && need_emulator=""
  if [ -n "$need_emulator" ]; then
    why=$(no_handler)
    [ -z "$why" ] || { say "cannot set up the 32-bit lane: $why"; exit $skip; }
  fi
  wine32_ok && { [ -z "$need_emulator" ] || emulator_ok; } && return 0
  [ "$(id -u)" -eq 0 ] || { say "cannot set up the 32-bit lane: not root, so wine32:i386 cannot be installed"; exit $skip; }

  export DEBIAN_FRONTEND=noninteractive
  local apt=(apt-get -o DPkg::Lock::Timeout=900 -q) v64 packages=()
  v64=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null)
  [ -n "$v64" ] || { say "wine64 is missing (run scripts/setup.sh)"; exit 1; }
  wine32_ok || packages+=("wine32:i386=$v64" "libwine:i386=$v64")
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386

  # The backports suite only for the emulator, from the mirror the machine already uses;
  # not qemu-user-static, whose qemu-user-binfmt would register every emulator at boot.
  local list=/etc/apt/sources.list.d/tkwd-backports.sources
  if [ -n "$need_emulator" ] && ! emulator_ok; then
    local mirror
    mirror=$(grep -h '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -n1 | awk '{print $2}')
    [ -n "$mirror" ] || mirror=$(grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | grep -v security | head -n1 | awk '{print $2}')
    [ -n "$mirror" ] || { say "no Debian mirror found in the apt sources"; exit 1; }
    trap 'rm -f "$list"' EXIT
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$mirror" > "$list"
    packages+=(qemu-user/bookworm-backports)
  fi
  say "installing ${packages[*]}"
  "${apt[@]}" update || exit 1
  "${apt[@]}" install -y --no-install-recommends "${packages[@]}" || exit 1
  rm -f "$list"
  trap - EXIT
  wine32_ok || { say "wine32:i386 did not install at wine64's version $v64"; exit 1; }
  [ -z "$need_emulator" ] || emulator_ok || { say "$emulator is missing or older than 10"; exit 1; }
}

do_on() {
  local dir=${1:-} name native=""
  if [ -n "$dir" ]; then
    for name in tkPTSer.exe tkWDBox.exe tkWDSend.exe tests/standin/tkWDBox.exe tests/standin/log/tkWDBox.exe tests/standin/winspool.drv; do
      [ -f "$dir/$name" ] || { say "$dir/$name is missing: build the win32 preset first"; exit 1; }
    done
  fi
  do_off >/dev/null 2>&1
  wine32_ok || { echo "SKIPPED: 32-bit lane: wine32:i386 is not installed at wine64's version (scripts/shipped32.sh setup)"; exit $skip; }
  kernel_runs_i386 && native=1
  if [ -z "$native" ]; then
    local why
    why=$(no_handler)
    [ -z "$why" ] || { echo "SKIPPED: 32-bit lane: $why"; exit $skip; }
    emulator_ok || { echo "SKIPPED: 32-bit lane: $emulator 10 is missing (scripts/shipped32.sh setup)"; exit $skip; }
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null
    [ -e "$binfmt/register" ] || { echo "SKIPPED: 32-bit lane: binfmt_misc cannot be mounted"; exit $skip; }
  fi
  # The 64-bit template is made first, with the handler off, so that it never depends on it.
  scripts/wine-run.sh true || { say "the 64-bit Wine prefix template could not be made"; exit 1; }
  if [ -n "$native" ]; then
    say "the kernel runs i386 programs itself: no emulator needed"
  else
    # Registered anew each time: with the F flag the kernel opens the emulator at
    # registration, so an upgraded emulator takes effect only then.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$handler:M::$magic:$mask:$emulator:F" > "$binfmt/register" || { say "registering the handler failed"; exit 1; }
    probe_runs || { say "i386 programs still do not run through $emulator"; do_off; exit 1; }
    say "i386 programs run through $emulator until 'shipped32.sh off'"
  fi
  make_wow64_template
}

make_wow64_template() {
  TK_WINE_WOW64=1 scripts/wine-run.sh true || { say "the Wine prefix template with a 32-bit part could not be made"; exit 1; }
}

do_off() {
  if [ -e "$binfmt/$handler" ]; then
    echo -1 > "$binfmt/$handler" && say "handler for $emulator removed"
  fi
  return 0
}

case "${1:-}" in
  setup) do_setup ;;
  on) do_on "${2:-}" ;;
  off) do_off ;;
  run)
    shift
    wine32_ok || { echo "SKIPPED: 32-bit lane: wine32:i386 is not installed at wine64's version (scripts/shipped32.sh setup)"; exit $skip; }
    probe_runs || { echo "SKIPPED: 32-bit lane: i386 programs cannot run now (scripts/shipped32.sh on)"; exit $skip; }
    if [ -n "${TK_SHIPPED32_EMULATOR:-}" ] && ! handler_registered; then
      echo "SKIPPED: 32-bit lane: the emulator's handler is not registered (scripts/shipped32.sh on)"; exit $skip
    fi
    TK_WINE_WOW64=1 exec scripts/wine-run.sh "$@"
    ;;
  *) echo "usage: shipped32.sh setup|on|off|run [wine-run.sh arguments]" >&2; exit 2 ;;
esac
