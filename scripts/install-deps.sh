#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need.
# Idempotent: only missing packages are installed.
set -euo pipefail

PACKAGES=(
  cmake ninja-build pkg-config g++ clang-format git ccache
  clang libclang-rt-14-dev clang-16 libclang-rt-16-dev
  qt6-base-dev qt6-multimedia-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev ffmpeg
  libopencv-dev libfftw3-dev libfreetype-dev libfontconfig-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth imagemagick fonts-dejavu-core
  dpkg-dev file
)

missing=()
for p in "${PACKAGES[@]}"; do
  if [[ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null)" != ii* ]]; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}"
fi
