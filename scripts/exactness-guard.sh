#!/usr/bin/env bash
# The exactness guard of the engine and the builders: analyses the demo disc and the guard discs
# (scripts/make-guard-discs.sh) and compares every report with the one recorded in tests/guard: the text report
# byte for byte, the JSON key for key with every verdict the same and every number within 1e-9 relative.
#
#   scripts/exactness-guard.sh [path/to/ossel] [work folder]           compare
#   scripts/exactness-guard.sh --record [path/to/ossel] [work folder]  record the baseline anew
#
# Record only with a build of the code before the change to be guarded (a separate worktree of the last commit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
record=0
if [ "${1:-}" = "--record" ]; then record=1; shift; fi
ossel=$(realpath "${1:-$root/build/ossel}")
work=${2:-${TMPDIR:-/tmp}/ossel-guard}
baseline=$root/tests/guard
mkdir -p "$work/out"
# Every report made now, never taken from a result cache: each guard run has an empty one of its own (which also
# serves a build from before the cache, when recording).
export XDG_CACHE_HOME=$work/cache
rm -rf "$XDG_CACHE_HOME"

bash "$root/scripts/make-demo-disc.sh" "$work/demo" > /dev/null
bash "$root/scripts/make-guard-discs.sh" "$work/discs" > /dev/null

# The discs come from sox and the encoders of the machine; their checksums tell a change of the input (other
# versions of the tools) from a change of the analysis.
(cd "$work" && sha256sum demo/*.flac discs/*.wav) > "$work/out/discs.sha256"
if [ "$record" = 1 ]; then
  cp "$work/out/discs.sha256" "$baseline/"
elif ! cmp -s "$baseline/discs.sha256" "$work/out/discs.sha256"; then
  echo "note: the discs differ from those the reports were recorded with (other versions of sox, lame, ffmpeg,"
  echo "oggenc?); a report that differs may differ for that reason alone:"
  diff "$baseline/discs.sha256" "$work/out/discs.sha256" || true
fi

# name, cue sheet, options
runs=(
  "demo|$work/demo/demo.cue|"
  "demo-skip2|$work/demo/demo.cue|--skip 2"
  "genuine|$work/discs/genuine.cue|"
  "mp3-128|$work/discs/mp3-128.cue|"
  "mp3-192|$work/discs/mp3-192.cue|"
  "mp3-320|$work/discs/mp3-320.cue|"
  "aac-128|$work/discs/aac-128.cue|"
  "vorbis-q3|$work/discs/vorbis-q3.cue|"
)

failed=0
for run in "${runs[@]}"; do
  IFS='|' read -r name cue options <<< "$run"
  # The disc's own folder as the working folder: the reports name the cue sheet as given.
  (cd "$(dirname "$cue")" && "$ossel" analyze "$(basename "$cue")" --jobs 1 $options) > "$work/out/$name.txt"
  (cd "$(dirname "$cue")" && "$ossel" analyze "$(basename "$cue")" --jobs 1 --json $options) > "$work/out/$name.json"
  if [ "$record" = 1 ]; then
    cp "$work/out/$name.txt" "$work/out/$name.json" "$baseline/"
    continue
  fi
  if ! cmp -s "$baseline/$name.txt" "$work/out/$name.txt"; then
    echo "$name: the report differs from tests/guard/$name.txt"
    diff "$baseline/$name.txt" "$work/out/$name.txt" | head -20 || true
    failed=1
  fi
  python3 "$baseline/compare.py" "$baseline/$name.json" "$work/out/$name.json" || failed=1
done

if [ "$record" = 1 ]; then
  echo "recorded ${#runs[@]} reports in $baseline"
elif [ "$failed" = 0 ]; then
  echo "exactness guard: ${#runs[@]} reports as recorded"
fi
exit "$failed"
