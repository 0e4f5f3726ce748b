#!/usr/bin/env bash
# CTest fixture steps for a signed release served by nginx: a fresh key, the sample release
# (demo/release) published with tools/publish.py and checked with its own verify, then served.
#   published_service_fixture.sh start STATE_DIR TOOL_EXE...
#   published_service_fixture.sh stop STATE_DIR
# The test finds the port in STATE_DIR/nginx/port and the public key in STATE_DIR/key/public.txt.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
NGINX_FIXTURE="$ROOT/tests/support/nginx_fixture.sh"
cmd=$1 state=$2
case "$cmd" in
  start)
    shift 2
    bash "$NGINX_FIXTURE" stop "$state/nginx"
    rm -rf "$state/key" "$state/src" "$state/www"
    mkdir -p "$state/src/files"
    python3 "$ROOT/tools/publish.py" keygen --out "$state/key" >/dev/null
    cp "$ROOT"/demo/release/*.json "$state/src/"
    cp "$@" "$ROOT"/demo/service/site/icons/*.png "$ROOT"/demo/service/site/edu/*.html "$state/src/files/"
    # The launcher's own file is not what is under test: a demo tool stands in for it.
    cp "$1" "$state/src/files/storvane.exe"
    bash "$NGINX_FIXTURE" start "$state/nginx" "$state/www" 0
    trap 'bash "$NGINX_FIXTURE" stop "$state/nginx"' ERR
    python3 "$ROOT/tools/publish.py" build --source "$state/src" --out "$state/www" --key "$state/key/private.pem" \
      --base-url "http://127.0.0.1:$(cat "$state/nginx/port")"
    python3 "$ROOT/tools/publish.py" verify --out "$state/www" --public-key "$state/key/public.txt"
    ;;
  stop)
    bash "$NGINX_FIXTURE" stop "$state/nginx"
    ;;
  *)
    echo "usage: $0 start STATE_DIR TOOL_EXE... | stop STATE_DIR" >&2
    exit 2
    ;;
esac
