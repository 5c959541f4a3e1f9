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
start_service "$programs" || echo "gallery: the service did not answer" >&2
printer_title="P1  V1.3.3"
new_title=$(new_printer_title "$tag")
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
