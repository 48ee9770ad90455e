# Starts and stops a private virtual display for windowed runs.
fennoro_xvfb_start() {
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    FENNORO_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && break
      sleep 0.1
    done
    if kill -0 "$FENNORO_XVFB_PID" 2>/dev/null; then
      export DISPLAY=:$n
      return 0
    fi
  done
  echo "xvfb: no free display" >&2
  return 1
}

fennoro_xvfb_stop() {
  [ -n "${FENNORO_XVFB_PID:-}" ] && kill "$FENNORO_XVFB_PID" 2>/dev/null
  wait "$FENNORO_XVFB_PID" 2>/dev/null
  unset FENNORO_XVFB_PID
}
