#!/usr/bin/env bash
# What a library run costs beside the analysis itself: a library of `albums` folders, each of three 5-second FLAC
# tracks of generated noise, analysed
#   - disc by disc, one `ossel analyze FOLDER --jobs 1` process per folder, timed together,
#   - as one run, `ossel analyze -r LIBRARY --summary --jobs 1`,
#   - as one run with `--jobs 2`.
# Prints the CPU time of each (the least of ROUNDS rounds, 3 unless set) and the ratios: CPU of --jobs 2 against disc
# by disc (target: at most 1.1) and against --jobs 1, and wall time of --jobs 1 against --jobs 2 (target: at least 1.8
# on two cores).
#
#   bench/library-jobs.sh [path/to/ossel] [work folder] [albums]
set -euo pipefail
ossel=${1:-build/ossel}
work=${2:-${TMPDIR:-/tmp}/ossel-bench-library}
albums=${3:-200}
library="$work/library"

bash "$(dirname "$0")/make-library.sh" "$work" "$albums"

timed() {  # timed OUT ARGS...: runs ossel with ARGS; OUT gets "user+sys wall"
  local out=$1
  shift
  /usr/bin/time -f '%U %S %e' -o "$work/time.txt" "$ossel" "$@" > /dev/null || [ $? -eq 1 ]
  awk '{ printf "%.2f %.2f\n", $1 + $2, $3 }' "$work/time.txt" > "$out"
}

# The three runs in turns, `rounds` times; the least CPU and wall time of each count, since on a shared machine a
# run is only ever slowed by others.
rounds=${ROUNDS:-3}
best() {  # best FILE NEW: keeps in FILE the least of each column
  if [ -f "$1" ]; then
    paste "$1" "$2" | awk '{ printf "%.2f %.2f\n", ($1 < $3 ? $1 : $3), ($2 < $4 ? $2 : $4) }' > "$1.tmp"
    mv "$1.tmp" "$1"
  else
    cp "$2" "$1"
  fi
}
rm -f "$work"/best-*.txt
for ((round = 1; round <= rounds; round++)); do
  # One time over all the processes: each one's own time is counted in ticks too coarse for a 0.04 s disc.
  find "$library" -mindepth 2 -maxdepth 2 -type d -print0 |
    /usr/bin/time -f '%U %S %e' -o "$work/time.txt" xargs -0 -n 1 sh -c '"$0" analyze "$1" --no-cache --jobs 1 --summary > /dev/null || [ $? -eq 1 ]' "$ossel"
  awk '{ printf "%.2f %.2f\n", $1 + $2, $3 }' "$work/time.txt" > "$work/one-round.txt"
  best "$work/best-one.txt" "$work/one-round.txt"
  timed "$work/jobs1.txt" analyze -r "$library" --no-cache --summary --jobs 1
  best "$work/best-jobs1.txt" "$work/jobs1.txt"
  timed "$work/jobs2.txt" analyze -r "$library" --no-cache --summary --jobs 2
  best "$work/best-jobs2.txt" "$work/jobs2.txt"
done
read -r one_by_one_cpu _ < "$work/best-one.txt"
read -r cpu1 wall1 < "$work/best-jobs1.txt"
read -r cpu2 wall2 < "$work/best-jobs2.txt"

echo "library: $albums albums, $((albums * 3)) tracks, $((albums * 15)) s of audio; least of $rounds rounds"
echo "disc by disc:  CPU ${one_by_one_cpu} s"
echo "--jobs 1:      CPU ${cpu1} s, wall ${wall1} s"
echo "--jobs 2:      CPU ${cpu2} s, wall ${wall2} s"
awk -v c2="$cpu2" -v c1="$cpu1" -v c0="$one_by_one_cpu" -v w1="$wall1" -v w2="$wall2" 'BEGIN {
  printf "CPU of --jobs 2 / disc by disc: %.3f (target <= 1.1)\n", c2 / c0
  printf "CPU of --jobs 2 / --jobs 1:     %.3f (the same, without the start of each process)\n", c2 / c1
  printf "wall of --jobs 1 / --jobs 2:    %.3f (target >= 1.8)\n", w1 / w2
}'
