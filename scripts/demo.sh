#!/usr/bin/env bash
# Installs what is needed, builds the programs, makes the demo disc and analyses it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSSEL_TESTS=OFF -DOSSEL_BENCH=OFF
ninja -C build-release -j "$(nproc)"
bash scripts/make-demo-disc.sh build/demo
./build-release/ossel analyze build/demo/demo.cue
