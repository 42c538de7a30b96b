# Sourced by the scripts that run the real window: a private X display and a private settings folder with the
# console page on. Both are removed when the sourcing script exits (through `end_window_session`, set as its trap).
start_window_session() {
  session_config=$(mktemp -d)
  mkdir -p "$session_config/Velmora"
  printf '[General]\nConsoleEnabled=1\n' > "$session_config/Velmora/Analyzer.conf"
  session_display=:$(( 80 + RANDOM % 19 ))
  Xvfb "$session_display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  session_xvfb=$!
  trap end_window_session EXIT
  for _ in $(seq 50); do DISPLAY=$session_display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

end_window_session() {
  kill "${session_pids[@]:-}" "$session_xvfb" 2>/dev/null || true
  rm -rf "$session_config"
}
session_pids=()
