#!/usr/bin/env bash
# One demo run inside scripts/wine-run.sh (WINE, DISPLAY and WINEPREFIX are set).
# usage: demo-session.sh <program dir> <screenshot dir> <tag>
set -u
programs=$1 out=$2 tag=$3
# shellcheck source=popup-shot.sh
. "$(dirname "$0")/popup-shot.sh"
start_service "$programs" || echo "demo: the service did not answer"
new_title=$(new_printer_title "$tag")
# Each status with the title of the pop-up it shows. Pop-ups stand at the same corner, the
# newest on top: the picture is what the user sees there.
statuses=("connect P1|P1  V1.3.3" "cutter P1|P1  V1.3.3" "labelbox P2|P2  V1.3.3"
          "newconnect|$new_title"
          "poweroff P3|P2  V1.3.3")  # poweroff keeps the printer of the status before it
for entry in "${statuses[@]}"; do
  status=${entry%%|*}
  # shellcheck disable=SC2086
  send $status || echo "demo: sending '$status' failed"
  sleep 1.5  # lets the service replace an older pop-up with the same title
  file="$out/$tag-${status// /-}.png"
  popup_shot "${entry#*|}" "$file" && echo "demo: $tag $status -> $file" || echo "demo: no picture for $status"
done

send exit
wait "$service"
echo "demo: $tag service ended with exit code $?"
