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
cleanup() {
  if [ -d "$work/prefix" ]; then
    WINEPREFIX="$work/prefix" "$WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX="$work/prefix" "$WINESERVER" -w >/dev/null 2>&1
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
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

# One initialised prefix is kept as a template, since wineboot takes several seconds;
# every run gets a fresh copy of it.
template=${TK_WINE_TEMPLATE:-${XDG_CACHE_HOME:-$HOME/.cache}/tkwd/wine-template}
mkdir -p "$(dirname "$template")"
(
  flock 9
  if [ ! -f "$template/.ready-2" ]; then
    rm -rf "$template"
    WINEPREFIX="$template" LC_ALL=en_US.UTF-8 "$WINE" wineboot -i >/dev/null 2>&1
    # A new prefix does not know .exe files as programs, so the shell would give every
    # program the generic file icon instead of its own.
    WINEPREFIX="$template" "$WINE" reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null 2>&1
    WINEPREFIX="$template" "$WINESERVER" -w >/dev/null 2>&1
    touch "$template/.ready-2"
  fi
) 9>"$template.lock"
cp -a "$template" "$work/prefix"
export WINEPREFIX="$work/prefix"

case "$1" in
  *.exe|*.EXE) "$WINE" "$@" ;;
  *) "$@" ;;
esac
rc=$?
exit $rc
