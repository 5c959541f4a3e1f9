#!/usr/bin/env bash
# One demo run inside scripts/wine-run.sh (WINE, DISPLAY and WINEPREFIX are set).
# usage: demo-session.sh <program dir> <screenshot dir> <tag>
set -u
programs=$1 out=$2 tag=$3
app=$(mktemp -d /tmp/tkwd-demo.XXXXXX)
trap 'rm -rf "$app"' EXIT
cp "$programs"/*.exe "$app"/

"$WINE" "$app/tkPTSer.exe" &
service=$!
send() { "$WINE" "$app/tkWDSend.exe" "$@"; }
for _ in $(seq 1 50); do
  send normal _ready_ >/dev/null 2>&1 && break
  sleep 0.2
done

shot() {
  sleep 1.5
  import -display "$DISPLAY" -window root -crop 400x200+880+600 "$out/$tag-$1.png" 2>/dev/null \
    || echo "demo: no screenshot for $1"
  echo "demo: $tag $1 -> $out/$tag-$1.png"
}

for status in "connect P1" "cutter P1" "labelbox P2" "newconnect" "poweroff P3"; do
  # shellcheck disable=SC2086
  send $status || echo "demo: sending '$status' failed"
  shot "${status// /-}"
done

send exit
wait "$service"
echo "demo: $tag service ended with exit code $?"
