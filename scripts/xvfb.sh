# Sourced: start_xvfb starts a private X server on a free display and exports DISPLAY;
# stop_xvfb ends it. Tests and screenshots always use their own server, display or not.
XVFB_PID=""
start_xvfb() {
  local n
  for n in $(seq 91 160); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
      XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
      done
      if kill -0 "$XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n"
        return 0
      fi
    fi
  done
  echo "xvfb: no free display" >&2
  return 1
}
stop_xvfb() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  XVFB_PID=""
}
