# Sourced: start_private_display starts Xvfb on a free display and exports
# DISPLAY; stop_private_display stops it. Used when no display is set (CI).
private_display_pid=

start_private_display() {
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$display_file" 2>/dev/null &
  private_display_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  if [ ! -s "$display_file" ]; then
    echo "xvfb: the virtual display did not start" >&2
    rm -f "$display_file"
    return 1
  fi
  export DISPLAY=:$(tr -d '[:space:]' <"$display_file")
  rm -f "$display_file"
}

stop_private_display() {
  if [ -n "$private_display_pid" ]; then
    kill "$private_display_pid" 2>/dev/null
    wait "$private_display_pid" 2>/dev/null
    private_display_pid=
  fi
}
