#!/usr/bin/env bash
# CTest fixture steps for the demo version service.
#   demo_service_fixture.sh start <state-dir> <port> <downloads...>
#   demo_service_fixture.sh stop <state-dir>
# Port 0 picks a free loopback port; any other port is the one compiled into the launcher. The
# chosen port is written to <state-dir>/port, and the downloads (tools, and for the launcher's
# own tests the launcher itself) are copied into <state-dir>/downloads so tests can also
# replace them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cmd=$1 state=$2
case "$cmd" in
  start)
    port=$3; shift 3
    "$0" stop "$state" || true
    mkdir -p "$state/downloads"
    for f in "$@"; do cp "$f" "$state/downloads/"; done
    rm -f "$state/port"
    if [ "$port" != 0 ]; then
      # Another build tree's run may hold the port for a while; wait for it rather than fail.
      for _ in $(seq 1 240); do
        python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $port)) == 0)" && break
        sleep 0.5
      done
    fi
    # Detached from CTest's pipes, so the fixture step ends while the service runs on.
    setsid "${PYTHON:-python3}" "$ROOT/demo/service/demo_service.py" --port "$port" --port-file "$state/port" \
      --tools-dir "$state/downloads" >"$state/service.log" 2>&1 </dev/null &
    echo $! >"$state/pid"
    for _ in $(seq 1 100); do
      [ -s "$state/port" ] && exit 0
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "demo service did not start (is port $port taken?):" >&2
    cat "$state/service.log" >&2
    exit 1
    ;;
  stop)
    if [ -f "$state/pid" ]; then
      kill "$(cat "$state/pid")" 2>/dev/null || true
      rm -f "$state/pid"
    fi
    ;;
  *)
    echo "usage: $0 start|stop ..." >&2
    exit 2
    ;;
esac
