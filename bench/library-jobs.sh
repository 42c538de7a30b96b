#!/usr/bin/env bash
# What a library run costs beside the analysis itself: a library of `albums` folders, each of three 5-second FLAC
# tracks of generated noise, analysed
#   - disc by disc, one `ossel analyze FOLDER --jobs 1` per folder (the CPU time of the discs alone),
#   - as one run, `ossel analyze -r LIBRARY --summary --jobs 1`,
#   - as one run with `--jobs 2`.
# Prints the CPU time of each and the two ratios: CPU of --jobs 2 against disc by disc (target: at most 1.1) and
# wall time of --jobs 1 against --jobs 2 (target: at least 1.8 on two cores).
#
#   bench/library-jobs.sh [path/to/ossel] [work folder] [albums]
set -euo pipefail
ossel=${1:-build/ossel}
work=${2:-${TMPDIR:-/tmp}/ossel-bench-library}
albums=${3:-200}
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

timed() {  # timed OUT ARGS...: runs ossel with ARGS; OUT gets "user+sys wall"
  local out=$1
  shift
  /usr/bin/time -f '%U %S %e' -o "$work/time.txt" "$ossel" "$@" > /dev/null || [ $? -eq 1 ]
  awk '{ printf "%.2f %.2f\n", $1 + $2, $3 }' "$work/time.txt" > "$out"
}

# Disc by disc.
one_by_one_cpu=0
while IFS= read -r -d '' folder; do
  timed "$work/one.txt" analyze "$folder" --jobs 1 --summary
  one_by_one_cpu=$(awk -v a="$one_by_one_cpu" '{ printf "%.2f", a + $1 }' "$work/one.txt")
done < <(find "$library" -mindepth 2 -maxdepth 2 -type d -print0)

timed "$work/jobs1.txt" analyze -r "$library" --summary --jobs 1
timed "$work/jobs2.txt" analyze -r "$library" --summary --jobs 2
read -r cpu1 wall1 < "$work/jobs1.txt"
read -r cpu2 wall2 < "$work/jobs2.txt"

echo "library: $albums albums, $((albums * 3)) tracks, $((albums * 15)) s of audio"
echo "disc by disc:  CPU ${one_by_one_cpu} s"
echo "--jobs 1:      CPU ${cpu1} s, wall ${wall1} s"
echo "--jobs 2:      CPU ${cpu2} s, wall ${wall2} s"
awk -v c2="$cpu2" -v c0="$one_by_one_cpu" -v w1="$wall1" -v w2="$wall2" 'BEGIN {
  printf "CPU of --jobs 2 / disc by disc: %.3f (target <= 1.1)\n", c2 / c0
  printf "wall of --jobs 1 / --jobs 2:    %.3f (target >= 1.8)\n", w1 / w2
}'
