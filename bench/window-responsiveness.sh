#!/usr/bin/env bash
# How the window fares during an analysis: the longest gap of its event loop (a 1 ms timer records the largest
# interval between its ticks) and the wall time of the analysis, against `ossel analyze --jobs 1` on the same disc.
# The disc is 20 minutes of full-band noise in 6 tracks, one raw BINARY file. Runs offscreen: no display needed.
#
#   bench/window-responsiveness.sh [BUILD-DIR] [work folder]      (default: build-release)
set -euo pipefail
build=${1:-build-release}
work=${2:-${TMPDIR:-/tmp}/ossel-window-bench}
mkdir -p "$work"

sectors=$((20 * 60 * 75))
tracks=6
[ -f "$work/disc.bin" ] && [ "$(stat -c %s "$work/disc.bin")" -eq $((sectors * 2352)) ] ||
  head -c $((sectors * 2352)) /dev/urandom > "$work/disc.bin"
{
  echo 'FILE "disc.bin" BINARY'
  for ((t = 0; t < tracks; t++)); do
    start=$((t * sectors / tracks))
    printf '  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n' $((t + 1)) $((start / 4500)) $((start / 75 % 60)) $((start % 75))
  done
} > "$work/disc.cue"

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
cli_start=$(date +%s.%N)
"$build/ossel" analyze --jobs 1 "$work/disc.cue" > /dev/null
cli_end=$(date +%s.%N)
window=$(QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$config "$build/app/ossel-analyzer" --report-timing "$work/disc.cue")
echo "$window"
awk -v s="$cli_start" -v e="$cli_end" -v w="$(echo "$window" | awk '/window analysis/ {print $3}')" 'BEGIN {
  c = e - s
  printf "ossel analyze --jobs 1: %.3f s\nwindow / command line: %.3f\n", c, w / c
}'
