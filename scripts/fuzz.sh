#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang in build-fuzz and runs each over its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target (default: all) for SECONDS (default 300)
#   scripts/fuzz.sh --ci                    each target for 10 seconds: the test script's share
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N executions instead of a time
#
# New inputs that reach new code are kept in build-fuzz/corpus/<target>/ and used by later runs; the seeds in
# tests/fuzz/corpus/<target>/ are only read. A finding stops its target: the input that shows it is written to
# build-fuzz/artifacts/, and the script fails after the other targets have run. Replay one with
#   build-fuzz/tests/fuzz/fuzz_<target> build-fuzz/artifacts/<file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=300
runs=""
case "${1:-}" in
  --ci) seconds=10; shift ;;
  --runs) runs=${2:?"--runs needs a count"}; shift 2 ;;
  ''|*[!0-9]*) ;;
  *) seconds=$1; shift ;;
esac
all=(cue_sheet sound_file drive_answers palette_file settings)
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")

# Optimised lightly, with line tables only: the fuzz build stays quick to make, and the reports still name lines.
flags="-O1 -gline-tables-only"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$flags" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$flags" \
  -DOSSEL_FUZZ=ON -DOSSEL_TESTS=OFF -DOSSEL_BENCH=OFF -DOSSEL_GUI=OFF > /dev/null
ninja -C build-fuzz -j "${OSSEL_JOBS:-$(nproc)}" fuzz

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
mkdir -p build-fuzz/artifacts
failed=()
for target in "${targets[@]}"; do
  seeds=tests/fuzz/corpus/$target
  corpus=build-fuzz/corpus/$target
  [ -d "$seeds" ] || { echo "fuzz.sh: no target '$target' (targets: ${all[*]})" >&2; exit 2; }
  mkdir -p "$corpus"
  options=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$target-")
  case $target in
    cue_sheet) options+=(-max_len=4096 -dict=tests/fuzz/cue_sheet.dict) ;;
    sound_file) options+=(-max_len=16384) ;;
    drive_answers) options+=(-max_len=4096) ;;
    palette_file) options+=(-max_len=8192) ;;
    settings) options+=(-max_len=1024) ;;
  esac
  if [ -n "$runs" ]; then options+=(-runs="$runs"); else options+=(-max_total_time="$seconds"); fi
  log=build-fuzz/$target.log
  echo "fuzz $target: ${runs:-$seconds s}${runs:+ runs}"
  if build-fuzz/tests/fuzz/fuzz_"$target" "${options[@]}" "$corpus" "$seeds" > "$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^Done" "$log" | sed "s/^/  /" || true
  else
    failed+=("$target")
    grep -E -A40 "^==[0-9]+==ERROR|runtime error|property broken|ERROR: libFuzzer" "$log" | head -60 | sed "s/^/  /"
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]} (logs in build-fuzz/<target>.log, inputs in build-fuzz/artifacts/)" >&2
  exit 1
fi
echo "fuzz.sh: ${#targets[@]} targets, no findings"
