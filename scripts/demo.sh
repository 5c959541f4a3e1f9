#!/usr/bin/env bash
# The system's main job on a virtual display: builds the programs, starts the status service
# under Wine, sends sample statuses with tkWDSend (English, then Chinese on code page 936),
# saves a picture of the pop-up (its 280 x 80 pixels) after each into build/demo/, and
# ends the service with "exit".
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)"

out=build/demo
rm -rf "$out"
mkdir -p "$out"
echo "demo: pictures of the pop-ups go to $out/"
scripts/wine-run.sh --locale en_US.UTF-8 bash scripts/demo-session.sh build/win64 "$out" en
scripts/wine-run.sh --locale zh_CN.UTF-8 bash scripts/demo-session.sh build/win64 "$out" zh
ls -1 "$out"
