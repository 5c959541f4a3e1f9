#!/usr/bin/env bash
# Runs a Windows program under wine64 (or, for anything that is not an .exe, a command that
# drives Wine itself) in a throw-away Wine prefix on a private virtual X display. Nothing is
# left running afterwards: no wineserver, no Xvfb. The program's exit code is passed on.
#
# usage: wine-run.sh [--locale LOCALE] [--user-locale LOCALE] [--] program.exe|command [args...]
#   --locale       Unix locale Wine starts under (default en_US.UTF-8, code page 1252;
#                  zh_CN.UTF-8 gives 936, zh_TW.UTF-8 950)
#   --user-locale  a user locale apart from the system's: --locale then gives only the
#                  system locale (the ANSI code page, from LC_CTYPE), this one the user's
#                  (formats, the threads' code page, from LC_MESSAGES)
# Inside, WINE, WINESERVER, WINEPREFIX and DISPLAY are exported for commands.
set -u

locale=en_US.UTF-8
user_locale=""
while [ $# -gt 0 ]; do
  case "$1" in
    --locale) locale=$2; shift 2 ;;
    --user-locale) user_locale=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: wine-run.sh [--locale LOCALE] [--user-locale LOCALE] program.exe|command [args...]" >&2; exit 2; }

export WINE=${WINE:-/usr/lib/wine/wine64}
export WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
[ -x "$WINE" ] || { echo "wine-run: $WINE missing (run scripts/setup.sh)" >&2; exit 2; }

work=$(mktemp -d /tmp/tkwd-wine.XXXXXX)
xvfb_pid=""
prefix_dir=""  # holds the run's prefix; $work, or a directory beside the template
cleanup() {
  if [ -n "$prefix_dir" ] && [ -d "$prefix_dir/prefix" ]; then
    WINEPREFIX="$prefix_dir/prefix" "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$prefix_dir/prefix" "$WINESERVER" -w >/dev/null 2>&1
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  [ -n "$prefix_dir" ] && [ "$prefix_dir" != "$work" ] && rm -rf "$prefix_dir"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A private display: Xvfb picks a free number itself and tells it through the pipe.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "wine-run: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"

export WINEDEBUG=${WINEDEBUG:--all}
base_overrides="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDLLOVERRIDES="$base_overrides${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
if [ -n "$user_locale" ]; then
  unset LC_ALL
  export LANG=$locale LC_CTYPE=$locale LC_MESSAGES=$user_locale
else
  export LC_ALL=$locale
fi

# Wine keeps its server's socket and lock under $TMPDIR/wine-XXXXXX (the name is kept in the
# prefix's file "wineserver"): inside the work directory, they go away with it.
export TMPDIR="$work/tmp"
mkdir "$TMPDIR"

# One initialised prefix is kept as a template, since wineboot takes several seconds. It is
# made again when Wine changes: a run must never start Wine's own update of the prefix, which
# would write into the files that runs share with the template. TK_WINE_WOW64=1 picks one
# that can run 32-bit programs too: a prefix gets its 32-bit part only when 32-bit Wine can
# run while it is made.
template_name=wine-template-3
[ -n "${TK_WINE_WOW64:-}" ] && template_name=wine-template-wow64-3
template=${TK_WINE_TEMPLATE:-${XDG_CACHE_HOME:-$HOME/.cache}/tkwd/$template_name}
ready="$template/.ready-3-$("$WINE" --version 2>/dev/null | tr -c 'A-Za-z0-9.~-' _)"
mkdir -p "$(dirname "$template")"
(
  flock 9
  if [ ! -f "$ready" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" LC_ALL=en_US.UTF-8 "$WINE" wineboot -i >/dev/null 2>&1
    # A new prefix does not know .exe files as programs, so the shell would give every
    # program the generic file icon instead of its own.
    WINEPREFIX="$template" "$WINE" reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null 2>&1
    WINEPREFIX="$template" "$WINESERVER" -w >/dev/null 2>&1
    if [ -n "${TK_WINE_WOW64:-}" ] && [ ! -f "$template/drive_c/windows/syswow64/kernel32.dll" ]; then
      echo "wine-run: the new prefix has no 32-bit part (can 32-bit Wine run here?)" >&2
      rm -rf "$template"
      exit 2
    fi
    # Each run names its own server directory (see TMPDIR above).
    rm -f "$template/wineserver"
    touch "$ready"
  fi
) 9>"$template.lock" || exit 2

# A run's prefix shares the template's files through hard links: a copy of 700 MB per run
# would take seconds and as much room. Shared are only the files Wine reads and never writes:
# programs, libraries, code-page tables and the like. Every other file (the registry, which
# Wine saves by replacing it, and .ini files, which Windows programs rewrite in place) is a
# copy of its own. Hard links need one file system: where /tmp is another (a RAM disk, say),
# the prefix is made beside the template instead.
prefix_dir=$work
if [ "$(stat -c %d "$work")" != "$(stat -c %d "$template")" ]; then
  prefix_dir=$(mktemp -d "$template.run.XXXXXX")
fi
cp -al "$template" "$prefix_dir/prefix" 2>/dev/null || {
  rm -rf "$prefix_dir/prefix"
  cp -a "$template" "$prefix_dir/prefix"  # no hard links here at all: a whole copy
} || { echo "wine-run: cannot make the prefix" >&2; exit 2; }
(
  cd "$template" &&
  find . -type f ! -iregex '.*\.\(dll\|exe\|sys\|drv\|nls\|ocx\|cpl\|acm\|tlb\|ax\|ds\|com\|msstyles\|icm\|manifest\)' -print0 |
    while IFS= read -r -d '' file; do
      cp -p --remove-destination "$file" "$prefix_dir/prefix/$file" || exit 1
    done
) || { echo "wine-run: cannot make the prefix" >&2; exit 2; }
export WINEPREFIX="$prefix_dir/prefix"

case "$1" in
  *.exe|*.EXE) "$WINE" "$@" ;;
  *) "$@" ;;
esac
rc=$?
exit $rc
