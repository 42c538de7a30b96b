#!/usr/bin/env bash
# The library of the library benchmarks: `albums` folders "Artist N/Album M" in WORK/library, each of three 5-second
# FLAC tracks of generated noise (hard links to six sources), made once for each size.
#
#   bench/make-library.sh WORK ALBUMS
set -euo pipefail
work=$1
albums=$2
library="$work/library"

if [ ! -f "$library/.made-$albums" ]; then
  rm -rf "$library"
  mkdir -p "$work/sources" "$library"
  for seed in 1 2 3 4 5 6; do
    [ -f "$work/sources/$seed.flac" ] || sox -R -n -r 44100 -c 2 -b 16 "$work/sources/$seed.flac" synth 5 \
      whitenoise vol 0.$((seed + 2)) 2> /dev/null
  done
  for ((a = 1; a <= albums; a++)); do
    folder="$library/Artist $((a % 17))/Album $a"
    mkdir -p "$folder"
    for t in 1 2 3; do ln "$work/sources/$(((a + t) % 6 + 1)).flac" "$folder/$t track.flac"; done
  done
  touch "$library/.made-$albums"
fi
