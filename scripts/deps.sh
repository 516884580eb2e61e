#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when one is missing (one apt-get update then).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-image-formats-plugins libqt6svg6
  libtiff-dev libjpeg-dev libpng-dev zlib1g-dev libopencv-imgproc-dev
  libsane-dev libsane1 libgsf-1-dev libgsf-bin
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-liberation2 xvfb xauth xclip
  graphicsmagick libtiff-tools poppler-utils desktop-file-utils shared-mime-info libvips-tools
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
