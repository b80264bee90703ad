#!/usr/bin/env bash
# Installs the Debian packages that building and testing Zolt need, each only when missing.
set -euo pipefail
# python3-icalendar and python3-dateutil: a test-only expansion of iCalendar files beside libical;
# strace injects faults into system calls and imagemagick captures the screen for the window tests.
packages=(cmake g++ pkg-config libgtest-dev libfltk1.3-dev xvfb xauth xdotool nettle-dev desktop-file-utils libical-dev
  python3-icalendar python3-dateutil
  libutf8proc-dev libicu-dev libfontconfig-dev fonts-noto-core fonts-noto-cjk fonts-noto-color-emoji
  strace imagemagick
  "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
