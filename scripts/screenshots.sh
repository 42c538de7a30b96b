#!/usr/bin/env bash
# Starts the desktop program under Xvfb with a window manager on the demo disc, lets it analyse the disc, and saves
# a picture of every page, switching pages with real key presses.
#   bash scripts/screenshots.sh [BUILD-DIR] [OUT-DIR]     (defaults: build, build/screenshots)
#   OSSEL_LANG=en bash scripts/screenshots.sh ...           the same in English
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/screenshots}
program=$build/app/ossel-analyzer
[ -x "$program" ] || { echo "no $program: build it first" >&2; exit 1; }
bash scripts/make-demo-disc.sh build/demo
mkdir -p "$out"

source scripts/window-session.sh
start_window_session
export DISPLAY=$session_display
openbox >/dev/null 2>&1 &
session_pids+=($!)
sleep 0.5

XDG_CONFIG_HOME=$session_config "$program" --analyze build/demo/demo.cue >/dev/null 2>&1 &
session_pids+=($!)
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "Ossel" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
sleep 4  # the demo disc is analysed in about a second

shoot() {  # shoot NAME KEYS...
  local name=$1; shift
  for key in "$@"; do xdotool key --clearmodifiers "$key"; sleep 0.3; done
  sleep 0.5
  import -window "$window" "$out/$name.png"
  echo "$out/$name.png"
}
shoot 0-tracks alt+t
shoot 1-cd-info alt+c
shoot 2-isrc alt+i
shoot 3-spectrum alt+s
shoot 3-spectrum-track2 Right                      # the slider: the track decoded from a 128 kbit/s MP3
xdotool mousemove --window "$window" 330 230
shoot 3-spectrum-track2-readout
xdotool click 4; sleep 0.2; xdotool click 4          # the mouse wheel: zoomed in twice around the pointer
shoot 3-spectrum-track2-zoomed
xdotool mousemove --window "$window" 600 10           # away from the picture
shoot 4-frequency-track1 alt+f
shoot 4-frequency-track2 Right
xdotool mousemove --window "$window" 400 300
shoot 4-frequency-track2-readout
xdotool mousemove --window "$window" 600 10
shoot 5-help alt+h
shoot 6-about alt+a
shoot 7-console alt+o
# A narrow window: the tool bar and the lists must still fit.
xdotool windowsize "$window" 340 260
shoot 8-smallest alt+t
