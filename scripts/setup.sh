#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, and nothing that is
# already there: MinGW-w64 for both targets, CMake, GoogleTest, wine64, Xvfb, fonts with
# Chinese glyphs, ImageMagick, xdotool, the locales the tests start Wine under, and clang with
# libFuzzer and the sanitizer runtimes for the fuzz target.
set -euo pipefail

packages=(
  cmake make g++ libgtest-dev googletest
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 xvfb x11-utils xdotool imagemagick fonts-wqy-microhei fonts-dejavu-core locales
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: 936 for zh_CN, 950 for zh_TW, 1252 for en_US.
need_locales=()
for l in en_US.UTF-8 zh_CN.UTF-8 zh_TW.UTF-8; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || need_locales+=("$l")
done
if [ ${#need_locales[@]} -gt 0 ]; then
  echo "setup: generating locales ${need_locales[*]}"
  for l in "${need_locales[@]}"; do
    $sudo sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null
fi
