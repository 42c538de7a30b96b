#!/usr/bin/env bash
# Long runs that must not grow: 200 analyses of the demo disc in one window process (offscreen), and a library run
# over thousands of tracks in one `ossel analyze` process. Prints each process's resident memory and open file
# descriptors, read from /proc while it runs, once a tenth of its work is done (when the allocator's pools and the
# caches have come to their size) and at its end.
#
#   bench/soak.sh [BUILD-DIR] [work folder]      (default: build-release; the build needs OSSEL_BENCH and OSSEL_GUI)
#   SOAK_ANALYSES=200 SOAK_DISCS=100 SOAK_TRACKS=20 change the sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build-release}")
work=${2:-${TMPDIR:-/tmp}/ossel-soak}
analyses=${SOAK_ANALYSES:-200}
discs=${SOAK_DISCS:-100}
tracks=${SOAK_TRACKS:-20}
mkdir -p "$work"

bash scripts/make-demo-disc.sh "$work/demo" > /dev/null

# rss_kb PID and fds PID: the process's resident memory (kB) and its open file descriptors.
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || true; }
fds() { ls "/proc/$1/fd" 2>/dev/null | wc -l; }

# watch_run PID OUTPUT PATTERN COUNT NAME: samples the process five times a second until it ends, and prints the
# first sample taken once OUTPUT holds COUNT lines that match PATTERN, and the last sample taken.
watch_run() {
  local pid=$1 out=$2 first=$3 count=$4 name=$5
  local start_rss="" start_fds="" end_rss="" end_fds="" rss fd status=0
  while kill -0 "$pid" 2>/dev/null; do
    rss=$(rss_kb "$pid"); fd=$(fds "$pid")
    if [ -n "$rss" ]; then
      if [ -z "$start_rss" ] && [ "$(grep -c -- "$first" "$out")" -ge "$count" ]; then start_rss=$rss; start_fds=$fd; fi
      end_rss=$rss; end_fds=$fd
    fi
    sleep 0.2
  done
  wait "$pid" || status=$?
  printf '%s (exit status %s)\n  start (a tenth done):    RSS %s kB, %s open fds\n  end:                     RSS %s kB, %s open fds\n' \
    "$name" "$status" "${start_rss:-?}" "${start_fds:-?}" "${end_rss:-?}" "${end_fds:-?}"
  if [ -n "$start_rss" ] && [ -n "$end_rss" ]; then
    awk -v s="$start_rss" -v e="$end_rss" 'BEGIN { printf "  RSS change: %+d kB (%+.1f %%)\n", e - s, (e - s) * 100 / s }'
  fi
}

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT

# 1. The window, the demo disc analysed again and again.
out=$work/window.out
: > "$out"
start=$(date +%s)
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$config "$build/bench/bench_window_soak" "$work/demo/demo.cue" \
  "$analyses" --clear-console > "$out" 2> "$work/window.err" &
watch_run $! "$out" "^analysis" $((analyses / 10 + 1)) "window, $analyses analyses of the demo disc (console emptied after each)"
echo "  $(grep -c '^analysis' "$out") analyses in $(( $(date +%s) - start )) s"

# 2. A library of DISCS folders of TRACKS FLAC files each: 5-second pieces of the demo's tracks, and as each disc's
# last track a 30-second one, long enough to be judged (hard links to six files).
lib=$work/library
if [ ! -d "$lib/disc-$discs" ] || [ "$(ls "$lib/disc-1" | wc -l)" -ne "$tracks" ]; then
  rm -rf "$lib" "$work/pieces"
  mkdir -p "$work/pieces"
  for n in 1 2 3; do
    sox "$work/demo/track0$n.flac" "$work/pieces/short$n.flac" trim 0 5
    sox "$work/demo/track0$n.flac" "$work/pieces/long$n.flac" trim 0 30
  done
  for ((d = 1; d <= discs; d++)); do
    mkdir -p "$lib/disc-$d"
    for ((t = 1; t <= tracks; t++)); do
      piece=short$(( (t - 1) % 3 + 1 ))
      [ "$t" -eq "$tracks" ] && piece=long$(( d % 3 + 1 ))
      ln "$work/pieces/$piece.flac" "$lib/disc-$d/$(printf '%02d' "$t").flac"
    done
  done
fi
out=$work/library.out
: > "$out"
start=$(date +%s)
"$build/ossel" analyze -r "$lib" --no-cache --summary > "$out" 2> "$work/library.err" &
watch_run $! "$out" "disc-" $((discs / 10 + 1)) "ossel analyze, $discs discs of $tracks tracks ($((discs * tracks)) tracks)"
echo "  $(grep -c 'disc-' "$out") discs in $(( $(date +%s) - start )) s; $(tail -1 "$out")"
