#!/usr/bin/env bash
# CTest fixture steps for the demo version service on a free loopback port.
#   demo_service_fixture.sh start <state-dir> <tools-dir>
#   demo_service_fixture.sh stop <state-dir>
# The port is written to <state-dir>/port; tests find the folder in STORVANE_DEMO_SERVICE.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
SERVICE=$HERE/../../demo/service/demo_service.py
cmd=$1
state=$2

stop_service() {
  if [ -f "$state/pid" ]; then
    kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -f "$state/pid"
  fi
}

case "$cmd" in
  start)
    tools=$3
    mkdir -p "$state"
    stop_service
    rm -f "$state/port"
    # Detached from CTest's pipes, so the fixture step ends while the service runs on.
    setsid "${PYTHON:-python3}" "$SERVICE" --port 0 --port-file "$state/port" --tools-dir "$tools" \
      >"$state/service.log" 2>&1 </dev/null &
    echo $! >"$state/pid"
    for _ in $(seq 1 100); do
      [ -s "$state/port" ] && exit 0
      sleep 0.1
    done
    echo "demo service did not start; see $state/service.log" >&2
    exit 1
    ;;
  stop)
    stop_service
    ;;
  *)
    echo "usage: $0 start|stop ..." >&2
    exit 2
    ;;
esac
