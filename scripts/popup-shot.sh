# Sourced by the scripts that photograph pop-ups inside scripts/wine-run.sh (WINE and DISPLAY
# are set).

# start_service <program dir>: copies the three programs into a directory of their own, $app
# (removed when the script ends), starts the service there ($service is its process) and
# waits until it takes messages. send <args> then runs tkWDSend from there.
start_service() {
  app=$(mktemp -d /tmp/tkwd-session.XXXXXX)
  trap 'rm -rf "$app"' EXIT
  cp "$1"/tkPTSer.exe "$1"/tkWDBox.exe "$1"/tkWDSend.exe "$app"/
  "$WINE" "$app/tkPTSer.exe" &
  service=$!
  for _ in $(seq 1 50); do
    send normal _ready_ >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}
send() { "$WINE" "$app/tkWDSend.exe" "$@"; }

# new_printer_title <en|zh>: the title of the new-printer pop-up in that language.
new_printer_title() {
  if [ "$1" = zh ]; then echo "发现新打印机"; else echo "Discover new printer"; fi
}

# popup_shot <title> <file.png>: waits up to 10 s for the visible pop-up window with exactly
# that title, lets it paint, and saves its own 280 x 80 pixels (cut from the screen, so that
# what is saved is what the user sees). Nonzero when there is no such window.
popup_shot() {
  local title=$1 out=$2 pattern window="" geometry x y w h
  pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  for _ in $(seq 1 50); do
    window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || { echo "popup-shot: no pop-up titled '$title'" >&2; return 1; }
  sleep 0.8
  geometry=$(xwininfo -id "$window")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")
  w=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
  h=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
  # Without time stamps, so that a picture made again is the same file when nothing changed.
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage -strip \
    -define png:exclude-chunks=date,time "$out" 2>/dev/null \
    || { echo "popup-shot: cannot save $out" >&2; return 1; }
}

# popup_gone <title>: waits up to 10 s until no visible window has exactly that title.
popup_gone() {
  local pattern
  pattern="^$(printf '%s' "$1" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"
  for _ in $(seq 1 50); do
    [ -z "$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null)" ] && return 0
    sleep 0.2
  done
  return 1
}
