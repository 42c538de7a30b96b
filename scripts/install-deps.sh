#!/usr/bin/env bash
# Installs the Debian packages the project needs: what building the programs, running them and making the demo disc
# need; with --tests, also what the tests, the benchmarks, the package and the tools add.
# Idempotent; run as root or through sudo on Debian 12.
set -euo pipefail

# Building and running: the compilers and build tools, the libraries, a font for the window's Chinese texts, and
# sox, lame and flac for the demo disc.
packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev qt6-tools-dev qt6-l10n-tools
  libcdio-dev libcue-dev libsndfile1-dev libudev-dev
  libcli11-dev nlohmann-json3-dev libsqlite3-dev
  fonts-wqy-microhei
  sox lame flac
)

# The tests and tools: the test and benchmark frameworks, clang for the fuzz targets, the encoders and decoders of
# the test discs, the window's screenshots and accessibility tree, the checks of the desktop files and the package.
test_packages=(
  git libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev
  clang libclang-rt-14-dev
  time ffmpeg vorbis-tools opus-tools python3 python3-numpy parallel
  xvfb x11-apps imagemagick fonts-liberation2 openbox xdotool python3-pyatspi at-spi2-core
  desktop-file-utils appstream lintian
)

case "${1:-}" in
  "") ;;
  --tests) packages+=("${test_packages[@]}") ;;
  *)
    echo "usage: $0 [--tests]" >&2
    exit 2
    ;;
esac

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
