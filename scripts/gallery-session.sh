#!/usr/bin/env bash
# One language of the gallery inside scripts/wine-run.sh: every status word the pop-up knows,
# shown by the real programs one after another and saved as <word>-<tag>.png.
# usage: gallery-session.sh <program dir> <picture dir> <tag> <word>...
set -u
programs=$1 out=$2 tag=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=popup-shot.sh
. "$here/popup-shot.sh"
app=$(mktemp -d /tmp/tkwd-gallery.XXXXXX)
trap 'rm -rf "$app"' EXIT
cp "$programs"/tkPTSer.exe "$programs"/tkWDBox.exe "$programs"/tkWDSend.exe "$app"/

"$WINE" "$app/tkPTSer.exe" &
service=$!
send() { "$WINE" "$app/tkWDSend.exe" "$@"; }
for _ in $(seq 1 50); do
  send normal _ready_ >/dev/null 2>&1 && break
  sleep 0.2
done

printer_title="P1  V1.3.3"
if [ "$tag" = zh ]; then new_title="发现新打印机"; else new_title="Discover new printer"; fi
service_words=" $(sed -n 's/^ *{"\([A-Za-z]*\)", CommandAction::\(ShowStatus\|AddNewDevice\|NewConnect\).*/\1/p' \
                   "$here/../service/commands.cpp" | tr '\n' ' ') "
failed=0
for word in "$@"; do
  title=$printer_title
  [ "$word" = newconnect ] && title=$new_title
  if [[ "$service_words" == *" $word "* ]]; then
    send "$word" P1
  else
    # A word that no command writes: the report is written here, and the pop-up started
    # the way the service starts it.
    printf '[REPORT]\r\nTYPE=%s\r\nPRINTER=P1\r\n' "$word" > "$app/box.ini"
    (cd "$app" && "$WINE" "$app/tkWDBox.exe" &)
  fi
  if popup_shot "$title" "$out/$word-$tag.png"; then
    echo "gallery: $out/$word-$tag.png"
  else
    failed=1
  fi
  if [ "$word" = newconnect ]; then send closeNewDev; else send normal P1; fi
  popup_gone "$title" || { echo "gallery: the pop-up for $word did not close" >&2; failed=1; }
done

send exit
wait "$service"
exit $failed
