#!/usr/bin/env bash
# Times `ossel analyze` on a 74-minute disc image (one raw BINARY file, 18 tracks of full-band noise), continuously
# and with --skip 8, on one core (--jobs 1). Prints audio seconds per CPU second and the peak memory.
#
#   bench/analyze-74min.sh [path/to/ossel] [work folder]
set -euo pipefail
ossel=${1:-build/ossel}
work=${2:-${TMPDIR:-/tmp}/ossel-bench}
mkdir -p "$work"

source "$(dirname "$0")/noise-disc.sh"
sectors=$((74 * 60 * 75))  # 333000 sectors, 4440 seconds of audio
make_noise_disc "$work" 74 18

audio_seconds=$((sectors / 75))
run() {  # run LABEL ARGS...
  local label=$1
  shift
  /usr/bin/time -f '%U %S %M %e' -o "$work/time.txt" "$ossel" analyze "$work/disc.cue" --jobs 1 "$@" > "$work/report.txt"
  read -r user sys rss_kb wall < "$work/time.txt"
  awk -v l="$label" -v a="$audio_seconds" -v u="$user" -v s="$sys" -v m="$rss_kb" -v w="$wall" 'BEGIN {
    cpu = u + s
    printf "%-12s cpu %6.2f s  wall %6.2f s  %7.0fx real time per CPU second  peak memory %5.1f MB\n",
           l, cpu, w, a / cpu, m / 1024
  }'
}
run continuous
run "--skip 8" --skip 8
