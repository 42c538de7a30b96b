#!/usr/bin/env bash
# What the result cache saves on a library of `albums` albums (bench/make-library.sh, as bench/library-jobs.sh
# uses), with every job at once (the default --jobs):
#   - the wall time of a first run, `ossel analyze -r LIBRARY --summary --csv FILE --jsonl FILE`, with an empty
#     cache;
#   - that of a second run over the unchanged library (target: at most 5% of the first's), whose summary, CSV and
#     JSON Lines must be the first's byte for byte (but for the totals line's count of discs from the cache);
#   - that of a run after one track of one album was touched, which must analyse exactly that disc again;
#   - the CPU time of looking the discs up against that of finding them (target: at most as much). A run that finds
#     every disc and keeps none (`--shard N/N` past the last), less one that finds one album and keeps none (the
#     start), is the finding; the second run with only its summary, less the run that found every disc, less what
#     one album from the cache costs beyond finding it (the cache's opening), is the looking up.
# The short runs count the least of ROUNDS rounds (9 unless set), since on a shared machine a run is only ever
# slowed by others.
#
#   bench/library-cache.sh [path/to/ossel] [work folder] [albums]
set -euo pipefail
ossel=$(realpath "${1:-build/ossel}")
work=${2:-${TMPDIR:-/tmp}/ossel-bench-library}
albums=${3:-200}
rounds=${ROUNDS:-9}
library="$work/library"
bash "$(dirname "$0")/make-library.sh" "$work" "$albums"

# The track touched has a file of its own: the library's tracks are links to six sources, which share their times.
touched="$library/Artist 1/Album 1/1 track.flac"
if [ "$(stat -c %h "$touched")" -gt 1 ]; then cp "$touched" "$touched.own" && mv "$touched.own" "$touched"; fi

export XDG_CACHE_HOME="$work/cache"
rm -rf "$XDG_CACHE_HOME"

now() { date +%s.%N; }
run() {  # run NAME ARGS...: a run over the library, its outputs as WORK/NAME.*; prints its wall time
  local name=$1 start
  shift
  start=$(now)
  "$ossel" analyze -r "$library" --summary --csv "$work/$name.csv" --jsonl "$work/$name.jsonl" "$@" \
    > "$work/$name.txt" || [ $? -eq 1 ]
  awk -v s="$start" -v e="$(now)" 'BEGIN { printf "%.3f\n", e - s }'
}
least() {  # least COMMAND...: the least of `rounds` times the command prints
  local best="" t
  for ((round = 1; round <= rounds; round++)); do
    t=$("$@")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
cpu() {  # cpu "ARGS" ...: for each line of ossel arguments (tab-separated), the least CPU time (user and system, in
         # s) of `rounds` runs, the runs of each round in turn, so that a slower spell of the machine slows them alike
  python3 -c '
import os, subprocess, sys
rounds, ossel, lines = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best = [None] * len(lines)
for _ in range(rounds):
    for n, line in enumerate(lines):
        child = subprocess.Popen([ossel] + line.split("\t"), stdout=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        seconds = usage.ru_utime + usage.ru_stime
        best[n] = seconds if best[n] is None else min(best[n], seconds)
print(" ".join(f"{b:.4f}" for b in best))' "$rounds" "$ossel" "$@"
}
cached() {  # the count the totals line of WORK/NAME.txt gives of discs from the cache
  tail -n 1 "$work/$1.txt" | sed -n 's/.*; \([0-9]*\) discs\{0,1\} from the cache$/\1/p'
}

failed=0
first=$(run first)
second=$(least run second)
for ext in csv jsonl; do
  cmp -s "$work/first.$ext" "$work/second.$ext" || { echo "the second run's $ext differs from the first's"; failed=1; }
done
if ! cmp -s <(sed '$ s/; [0-9]* discs\{0,1\} from the cache$//' "$work/second.txt") "$work/first.txt"; then
  echo "the second run's summary differs from the first's"
  failed=1
fi
[ "$(cached second)" = "$albums" ] || { echo "the second run took $(cached second) of $albums discs from the cache"; failed=1; }

tab=$'\t'
album="$library/Artist 2/Album 2"
read -r start opening finding lookups < <(cpu "analyze$tab$album$tab--summary$tab--shard${tab}2/2" \
  "analyze$tab$album$tab--summary" "analyze$tab-r$tab$library$tab--summary$tab--shard${tab}1000000/1000000" \
  "analyze$tab-r$tab$library$tab--summary")

touch "$touched"
one=$(run touched)
[ "$(cached touched)" = "$((albums - 1))" ] || { echo "after one touch, $(cached touched) discs came from the cache"; failed=1; }
cmp -s "$work/first.csv" "$work/touched.csv" || { echo "the run after the touch wrote other rows"; failed=1; }

echo "library: $albums albums, $((albums * 3)) tracks, $((albums * 15)) s of audio; short runs the least of $rounds"
echo "first run (empty cache):   wall $first s"
echo "second run (unchanged):    wall $second s, outputs the same: $([ "$failed" = 0 ] && echo yes || echo NO)"
echo "one track touched:         wall $one s, $(cached touched) discs from the cache"
echo "CPU: one album found $start s, from the cache $opening s; every disc found $finding s, from the cache $lookups s"
awk -v f="$first" -v s="$second" -v z="$start" -v o="$opening" -v n="$finding" -v l="$lookups" 'BEGIN {
  printf "second / first:            %.4f (target <= 0.05)\n", s / f
  printf "looking up / finding:      %.2f (target <= 1: CPU %.4f s against %.4f s, the opening %.4f s apart)\n",
    (l - n - (o - z)) / (n - z), l - n - (o - z), n - z, o - z
}'
exit "$failed"
