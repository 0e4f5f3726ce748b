#!/usr/bin/env bash
# CTest fixture steps for the loopback test servers (see test_server.py for what they serve).
#   server_fixture.sh start <state-dir> <ca-dir> <serve-dir or -> <wine-run> <trust-helper.exe>
#   server_fixture.sh stop <state-dir>
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
PYTHON=${PYTHON:-python3}
cmd=$1
state=$2
case "$cmd" in
  start)
    ca=$3 serve=$4 wine_run=$5 helper=$6
    serve_args=()
    [ "$serve" = - ] || serve_args=(--serve-dir "$serve")
    "$PYTHON" "$HERE/test_server.py" make-ca --ca-dir "$ca"
    "$PYTHON" "$HERE/test_server.py" start --state-dir "$state" --ca-dir "$ca" "${serve_args[@]}"
    if [ ! -f "$helper" ]; then
      echo "missing $helper: build the target storvane_trust_ca (tests list it in DEPENDS)" >&2
      exit 1
    fi
    # Trust the test authority inside this build tree's Wine prefix only.
    "$wine_run" "$helper" "Z:$(echo "$ca/ca.der" | tr / '\\')" </dev/null
    ;;
  stop)
    "$PYTHON" "$HERE/test_server.py" stop --state-dir "$state"
    ;;
  *)
    echo "usage: $0 start|stop ..." >&2
    exit 2
    ;;
esac
