#!/usr/bin/env bash
# Installs every Debian package Tarnwick needs to build, test and run.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
  # display
  libgtk-3-dev libx11-dev
  # the image check's reference decoders
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev libqpdf-dev zlib1g-dev
  # the optimizers the engine runs
  pngcrush optipng libimage-exiftool-perl
  # window tests and pixel comparisons
  xvfb xdotool x11-utils imagemagick fonts-dejavu-core
  # testing: compiler cache for the CI builds, the format check
  ccache clang-format
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
