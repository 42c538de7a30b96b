#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent; run as root or through sudo on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-tools-dev qt6-l10n-tools
  libcdio-dev libcue-dev libsndfile1-dev libudev-dev
  libfftw3-dev libcli11-dev nlohmann-json3-dev libsqlite3-dev
  clang libclang-rt-14-dev
  lame flac sox time ffmpeg vorbis-tools python3 parallel
  xvfb x11-apps imagemagick fonts-wqy-microhei
  qt6-svg-dev fonts-liberation2 openbox xdotool python3-pyatspi at-spi2-core desktop-file-utils appstream
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
