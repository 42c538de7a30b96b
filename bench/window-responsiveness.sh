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

source "$(dirname "$0")/noise-disc.sh"
make_noise_disc "$work" 20 6

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# Best of three runs each, so that another process's burst does not decide the ratio.
best_cli=""; best_window=""; longest_gap=0
for _ in 1 2 3; do
  start=$(date +%s.%N)
  "$build/ossel" analyze --no-cache --jobs 1 "$work/disc.cue" > /dev/null
  end=$(date +%s.%N)
  cli=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  out=$(QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$config "$build/app/ossel-analyzer" --report-timing "$work/disc.cue" 2>/dev/null)
  window=$(echo "$out" | awk '/window analysis/ {print $3}')
  gap=$(echo "$out" | awk '/longest event-loop gap/ {print $4}')
  best_cli=$(awk -v a="$best_cli" -v b="$cli" 'BEGIN { print (a == "" || b < a) ? b : a }')
  best_window=$(awk -v a="$best_window" -v b="$window" 'BEGIN { print (a == "" || b < a) ? b : a }')
  [ "$gap" -gt "$longest_gap" ] && longest_gap=$gap
done
echo "longest event-loop gap of the window during an analysis: $longest_gap ms (target: at most 50)"
echo "analysis of 20 minutes of audio, best of 3: window $best_window s, ossel analyze --jobs 1 $best_cli s"
awk -v w="$best_window" -v c="$best_cli" 'BEGIN { printf "window / command line: %.3f (target: at most 1.10)\n", w / c }'
