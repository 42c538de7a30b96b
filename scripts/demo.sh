#!/usr/bin/env bash
# Installs what is needed, builds the programs, makes the demo disc and analyses it: in the window where a display
# is available, else on the command line.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSSEL_TESTS=OFF -DOSSEL_BENCH=OFF
ninja -C build-release -j "$(nproc)"
bash scripts/make-demo-disc.sh build/demo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./build-release/app/ossel-analyzer --analyze build/demo/demo.cue
fi
./build-release/ossel analyze build/demo/demo.cue
