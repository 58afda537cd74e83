#!/usr/bin/env bash
# Installs what Lumora needs to build, run and test on Debian 12, as root or through sudo, and any
# further packages named on its command line.
set -euo pipefail
packages=(g++ cmake make pkg-config qt6-base-dev qt6-svg-dev libsdl2-mixer-dev libjpeg62-turbo-dev libgif-dev libpng-dev libdeflate-dev
          libwebp-dev libtiff-dev liblcms2-dev libheif-dev libavif-dev libjxl-dev
          xvfb xdotool imagemagick sox lame clang-format-14 webp libtiff-tools libheif-examples libavif-bin libjxl-tools
          dbus dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
          qt6-wayland sway grim wtype xwayland x11-xserver-utils "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=120 update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=120 \
    install -y --no-install-recommends "${missing[@]}"
