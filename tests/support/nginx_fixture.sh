#!/usr/bin/env bash
# A real web server for tests: Debian's nginx serving ROOT as static files on 127.0.0.1, run as
# the current user with everything it writes (configuration, pid, logs, temporary files) in
# STATE_DIR. Files without an extension (the service's answers) go out as application/json.
#   nginx_fixture.sh start STATE_DIR ROOT PORT    PORT 0 picks a free one; the port is written
#                                                 to STATE_DIR/port
#   nginx_fixture.sh stop STATE_DIR               ends the server started there, if any
set -euo pipefail
cmd=${1:-} state=${2:-}
[ -n "$state" ] || { echo "usage: $0 start STATE_DIR ROOT PORT | stop STATE_DIR" >&2; exit 2; }

NGINX=$(PATH="$PATH:/usr/sbin:/sbin" command -v nginx || true)

running_pid() {
  local pid
  pid=$(cat "$state/nginx.pid" 2>/dev/null) || return 1
  # A pid file left by a server that is gone may name another process by now.
  [ -n "$pid" ] && tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "nginx: master" && echo "$pid"
}

stop() {
  local pid
  rm -f "$state/port"
  pid=$(running_pid) || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    # An ended master may stay a zombie until init collects it: that counts as gone.
    case $(awk '/^State:/ {print $2}' "/proc/$pid/status" 2>/dev/null) in
      "" | Z) rm -f "$state/nginx.pid"; return 0 ;;
    esac
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  rm -f "$state/nginx.pid"
}

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

write_config() {
  local root=$1 port=$2 user=""
  # Started by root, nginx would hand its workers to "nobody"; keep them the caller's.
  [ "$(id -u)" = 0 ] && user="user $(id -un) $(id -gn);"
  cat >"$state/nginx.conf" <<EOF
$user
daemon on;
worker_processes 1;
pid "$state/nginx.pid";
error_log "$state/error.log" warn;
events { worker_connections 64; }
http {
  access_log "$state/access.log";
  client_body_temp_path "$state/tmp/body";
  proxy_temp_path "$state/tmp/proxy";
  fastcgi_temp_path "$state/tmp/fastcgi";
  uwsgi_temp_path "$state/tmp/uwsgi";
  scgi_temp_path "$state/tmp/scgi";
  types {
    application/octet-stream exe sig;
    image/png png;
    text/html html;
  }
  default_type application/json;
  charset utf-8;
  charset_types application/json;
  server_tokens off;
  server {
    listen 127.0.0.1:$port;
    root "$root";
    location / { try_files \$uri =404; }
  }
}
EOF
}

case "$cmd" in
  start)
    root=$(cd "${3:?ROOT missing}" 2>/dev/null && pwd || echo "$3") port=${4:?PORT missing}
    [ -n "$NGINX" ] || { echo "nginx is not installed (Debian package nginx; scripts/setup.sh installs it)" >&2; exit 1; }
    stop
    mkdir -p "$state/tmp"
    rm -f "$state/port" "$state/error.log"
    tries=1
    [ "$port" = 0 ] && tries=5
    for _ in $(seq 1 "$tries"); do
      chosen=$port
      [ "$port" = 0 ] && chosen=$(free_port)
      write_config "$root" "$chosen"
      # -e: the startup log before the configuration is read goes here too, not to /var/log.
      if "$NGINX" -p "$state/" -e "$state/error.log" -c "$state/nginx.conf" 2>>"$state/error.log"; then
        for _ in $(seq 1 50); do
          if python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $chosen)))"; then
            echo "$chosen" >"$state/port"
            exit 0
          fi
          sleep 0.1
        done
        stop
      fi
    done
    echo "nginx did not start on 127.0.0.1:$port:" >&2
    cat "$state/error.log" >&2 || true
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start STATE_DIR ROOT PORT | stop STATE_DIR" >&2
    exit 2
    ;;
esac
