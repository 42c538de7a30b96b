#!/usr/bin/env bash
# Builds and runs every test: the whole suite under AddressSanitizer and UndefinedBehaviorSanitizer (with the
# exactness guard of the engine's numbers), a short run of every fuzz target, then the suite again under
# ThreadSanitizer, all but the engine's suite and the guard, which run on one thread. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --tests

jobs=${OSSEL_JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSSEL_SANITIZE=ON -DOSSEL_WERROR=ON
ninja -C build-test -j "$jobs"
ctest --test-dir build-test --output-on-failure --no-tests=error -j "$jobs"

bash scripts/fuzz.sh --ci

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSSEL_TSAN=ON -DOSSEL_WERROR=ON \
  -DOSSEL_GUI=OFF -DOSSEL_BENCH=OFF
ninja -C build-tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure --no-tests=error -j "$jobs" -LE 'detector|guard'
