#!/usr/bin/env bash
# Renders every status the pop-up knows, in English (code page 1252) and Chinese (936),
# through the real programs under Wine, into docs/gallery/<word>-en.png and <word>-zh.png,
# and writes the table docs/gallery.md.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target tkPTSer tkWDBox tkWDSend

# The words in the catalogue's order, with their texts for the table.
catalogue=$(sed -n 's/^ *{L"\([A-Za-z]*\)", L"\([^"]*\)", L"\([^"]*\)".*/\1\t\2\t\3/p' popup/catalogue.cpp)
mapfile -t words < <(cut -f1 <<<"$catalogue")
[ ${#words[@]} -eq 30 ] || { echo "gallery: expected 30 words in popup/catalogue.cpp, found ${#words[@]}" >&2; exit 1; }

out=docs/gallery
mkdir -p "$out"
rm -f "$out"/*.png
scripts/wine-run.sh --locale en_US.UTF-8 bash scripts/gallery-session.sh build/win64 "$out" en "${words[@]}"
scripts/wine-run.sh --locale zh_CN.UTF-8 bash scripts/gallery-session.sh build/win64 "$out" zh "${words[@]}"

{
  echo "# Gallery: every pop-up, in English and Chinese"
  echo
  echo "Each status word the pop-up knows, as the real programs show it under Wine for the"
  echo "printer P1: English on code page 1252, Chinese on code page 936. The pictures are"
  echo "made by \`scripts/gallery.sh\`; [protocol.md](protocol.md) tells which command shows which."
  echo
  echo "| Word | English | Chinese |"
  echo "|---|---|---|"
  while IFS=$'\t' read -r word english chinese; do
    echo "| \`$word\` | ![$english]($(basename "$out")/$word-en.png) | ![$chinese]($(basename "$out")/$word-zh.png) |"
  done <<<"$catalogue"
} > docs/gallery.md
echo "gallery: $(ls "$out"/*.png | wc -l) pictures, table in docs/gallery.md"
