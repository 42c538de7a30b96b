#!/usr/bin/env bash
# Shows the desktop program to a screen reader's eyes: starts it under Xvfb with the accessibility bus on the demo
# disc, lets it analyse the disc, and prints its accessibility tree (roles, names, texts and table cells).
#   bash scripts/accessibility-tree.sh [BUILD-DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$(realpath "$build/app/ossel-analyzer")
bash scripts/make-demo-disc.sh build/demo
source scripts/window-session.sh
start_window_session
DISPLAY=$session_display XDG_CONFIG_HOME=$session_config QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
  dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    sleep 1
    "$0" --analyze build/demo/demo.cue >/dev/null 2>&1 &
    app=$!
    sleep 5
    /usr/bin/python3 scripts/accessibility-tree.py
    kill $app' "$program"
