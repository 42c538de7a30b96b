#!/usr/bin/env bash
# What `--pictures` adds to `ossel analyze`: a 10-track disc of 2-minute noise tracks (one raw BINARY file) analysed
# on one core (--jobs 1) without and with --pictures (each page at --picture-size, default 1200x600), alternating,
# `runs` times each. The best wall-clock and CPU times count; prints the time the pictures add per track in ms.
#
#   bench/pictures-per-track.sh [path/to/ossel] [work folder] [runs] [picture size]
set -euo pipefail
ossel=${1:-build/ossel}
work=${2:-${TMPDIR:-/tmp}/ossel-bench-pictures}
runs=${3:-3}
size=${4:-1200x600}
tracks=10
mkdir -p "$work"

source "$(dirname "$0")/noise-disc.sh"
make_noise_disc "$work" $((tracks * 2)) "$tracks"

declare -A best_wall best_cpu
measure() {  # measure LABEL ARGS...: keeps the best times of LABEL
  local label=$1
  shift
  rm -rf "$work/pictures"
  /usr/bin/time -f '%U %S %e' -o "$work/time.txt" "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1 "$@" > /dev/null
  read -r user sys wall < "$work/time.txt"
  local cpu
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
  if [ -z "${best_wall[$label]:-}" ] || awk -v a="$wall" -v b="${best_wall[$label]}" 'BEGIN { exit !(a < b) }'; then
    best_wall[$label]=$wall
  fi
  if [ -z "${best_cpu[$label]:-}" ] || awk -v a="$cpu" -v b="${best_cpu[$label]}" 'BEGIN { exit !(a < b) }'; then
    best_cpu[$label]=$cpu
  fi
}

for ((i = 0; i < runs; i++)); do
  measure plain
  measure pictures --pictures "$work/pictures" --picture-size "$size"
done
written=$(find "$work/pictures" -name '*.png' | wc -l)
if [ "$written" -ne $((2 * tracks)) ]; then
  echo "pictures-per-track: $written pictures written, not $((2 * tracks))" >&2
  exit 1
fi

awk -v n="$tracks" -v size="$size" -v r="$runs" \
    -v pw="${best_wall[plain]}" -v qw="${best_wall[pictures]}" -v pc="${best_cpu[plain]}" -v qc="${best_cpu[pictures]}" 'BEGIN {
  printf "analyze --jobs 1, %d tracks of 2:00, best of %d: wall %.2f s, %.2f s with --pictures (%s)\n", n, r, pw, qw, size
  printf "--pictures adds %.0f ms per track (wall), %.0f ms CPU\n", (qw - pw) * 1000 / n, (qc - pc) * 1000 / n
}'
