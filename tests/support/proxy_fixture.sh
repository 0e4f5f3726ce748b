#!/usr/bin/env bash
# A real forward proxy for tests: Debian's tinyproxy on a free port of 127.0.0.2, taking
# clients from loopback and naming itself in a "Via" header, with its configuration, log and
# pid in STATE_DIR. It listens on an address of its own so that a request for a service on
# 127.0.0.1 always names a host other than the proxy's.
#   proxy_fixture.sh start STATE_DIR   the port is written to STATE_DIR/port
#   proxy_fixture.sh stop STATE_DIR    ends the proxy started there, if any
# A test running under Wine cannot signal host processes; it stops the proxy by creating
# STATE_DIR/stop, which the proxy's keeper watches.
set -euo pipefail
cmd=${1:-} state=${2:-}
[ -n "$state" ] || { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
ADDRESS=127.0.0.2

TINYPROXY=$(PATH="$PATH:/usr/sbin:/sbin" command -v tinyproxy || true)

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

stop() {
  local pid
  rm -f "$state/port"
  for f in keeper.pid tinyproxy.pid; do
    pid=$(cat "$state/$f" 2>/dev/null) || continue
    alive "$pid" && kill -TERM "$pid" 2>/dev/null || true
    rm -f "$state/$f"
  done
}

free_port() {
  python3 -c "import socket; s=socket.socket(); s.bind(('$ADDRESS', 0)); print(s.getsockname()[1])"
}

listening() {
  python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('$ADDRESS', $1)) != 0)"
}

case "$cmd" in
  start)
    [ -n "$TINYPROXY" ] || { echo "tinyproxy is not installed (Debian package tinyproxy; scripts/setup.sh installs it)" >&2; exit 1; }
    stop
    mkdir -p "$state"
    rm -f "$state/stop" "$state/tinyproxy.log"
    port=$(free_port)
    # Run by root, tinyproxy keeps the caller's user (it warns about it in its log).
    cat >"$state/tinyproxy.conf" <<EOF
Port $port
Listen $ADDRESS
Timeout 30
MaxClients 64
Allow 127.0.0.0/8
ViaProxyName "storvane-test-proxy"
DisableViaHeader No
LogLevel Connect
EOF
    # The keeper runs the proxy in the foreground, detached from CTest's pipes, and ends it
    # once STATE_DIR/stop appears.
    setsid bash -c '
      "$1" -d -c "$2/tinyproxy.conf" >"$2/tinyproxy.log" 2>&1 </dev/null &
      echo $! >"$2/tinyproxy.pid"
      while kill -0 "$(cat "$2/tinyproxy.pid")" 2>/dev/null && [ ! -e "$2/stop" ]; do sleep 0.2; done
      kill -TERM "$(cat "$2/tinyproxy.pid")" 2>/dev/null || true
    ' keeper "$TINYPROXY" "$state" >/dev/null 2>&1 </dev/null &
    echo $! >"$state/keeper.pid"
    for _ in $(seq 1 50); do
      if listening "$port"; then
        echo "$port" >"$state/port"
        exit 0
      fi
      sleep 0.1
    done
    stop
    echo "tinyproxy did not start on $ADDRESS:$port:" >&2
    cat "$state/tinyproxy.log" >&2 || true
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start|stop STATE_DIR" >&2
    exit 2
    ;;
esac
