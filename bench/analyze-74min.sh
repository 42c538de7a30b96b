#!/usr/bin/env bash
# Times `ossel analyze` on a 74-minute disc image (one raw BINARY file, 18 tracks of full-band noise), continuously
# and with --skip 8, on one core (--jobs 1), side by side with `flac -d` decoding the same audio from a FLAC file
# (made once next to the image). Each is run `runs` times, alternating, and the best CPU time counts; the continuous
# analysis runs once more on the two-lane kernels (OSSEL_LANES=2), as on a processor without AVX2. Prints audio
# seconds per CPU second, the peak memory and the analysis' CPU time as a multiple of the decoder's, then where the
# time of a continuous run goes, stage by stage (--stage-times), at the widest lanes and at two.
#
#   bench/analyze-74min.sh [path/to/ossel] [work folder] [runs]
set -euo pipefail
ossel=${1:-build/ossel}
work=${2:-${TMPDIR:-/tmp}/ossel-bench}
runs=${3:-3}
mkdir -p "$work"

source "$(dirname "$0")/noise-disc.sh"
sectors=$((74 * 60 * 75))  # 333000 sectors, 4440 seconds of audio
make_noise_disc "$work" 74 18
if [ ! -f "$work/disc.flac" ] || [ "$work/disc.flac" -ot "$work/disc.bin" ]; then
  flac --silent --force --force-raw-format --endian=little --sign=signed --channels=2 --bps=16 --sample-rate=44100 \
    -o "$work/disc.flac" "$work/disc.bin"
fi

audio_seconds=$((sectors / 75))
declare -A best_cpu best_wall best_rss
measure() {  # measure LABEL COMMAND...: keeps the best CPU time of LABEL
  local label=$1
  shift
  /usr/bin/time -f '%U %S %M %e' -o "$work/time.txt" env "$@" > /dev/null
  read -r user sys rss_kb wall < "$work/time.txt"
  local cpu
  cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
  if [ -z "${best_cpu[$label]:-}" ] || awk -v a="$cpu" -v b="${best_cpu[$label]}" 'BEGIN { exit !(a < b) }'; then
    best_cpu[$label]=$cpu
    best_wall[$label]=$wall
    best_rss[$label]=$rss_kb
  fi
}

for ((r = 0; r < runs; r++)); do
  measure "flac -d" flac --silent --decode --stdout "$work/disc.flac"
  measure continuous "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1
  measure "--skip 8" "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1 --skip 8
  measure "two lanes" OSSEL_LANES=2 "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1
done

for label in "flac -d" continuous "--skip 8" "two lanes"; do
  awk -v l="$label" -v a="$audio_seconds" -v c="${best_cpu[$label]}" -v m="${best_rss[$label]}" \
      -v w="${best_wall[$label]}" -v f="${best_cpu["flac -d"]}" 'BEGIN {
    printf "%-12s cpu %6.2f s  wall %6.2f s  %7.0fx real time per CPU second  peak memory %5.1f MB  %5.2fx flac -d\n",
           l, c, w, a / c, m / 1024, c / f
  }'
done
echo "(best of $runs runs each, alternating)"

for lanes in widest 2; do
  echo
  echo "stages of one continuous run, $lanes lanes:"
  if [ "$lanes" = widest ]; then
    "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1 --stage-times 2>&1 > /dev/null
  else
    OSSEL_LANES=2 "$ossel" analyze "$work/disc.cue" --no-cache --jobs 1 --stage-times 2>&1 > /dev/null
  fi
done
