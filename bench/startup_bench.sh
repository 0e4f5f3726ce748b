#!/usr/bin/env bash
# Start-up figures under Wine and Xvfb: the time from process start to the main window shown,
# for the installed storvane.exe (asking the demo version service on its compiled-in address)
# and for a bare Win32 window program, measured the same way and alternated; prints the median
# of each side by side and the sizes of the shipped files.
# BUILD_DIR picks the build tree (default: build); RUNS the number of counted runs (default: 9).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build/i686}
RUNS=${RUNS:-9}

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$BUILD_DIR" --target storvane up ExuiKrnln startup_bench bare_window -j"$(nproc)" >/dev/null

base=$(sed -n 's/^STORVANE_SERVICE_BASE:STRING=//p' "$BUILD_DIR/CMakeCache.txt")
port=${base##*:}
case "$base" in
  http://127.0.0.1:*) ;;
  *) echo "the launcher is built to ask $base; this benchmark serves only 127.0.0.1" >&2; exit 1 ;;
esac

"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/xvfb.sh"
source "$ROOT/scripts/wine-env.sh"

state=$(mktemp -d)
service_pid=""
cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
  rm -rf "$state"
}
trap cleanup EXIT

mkdir -p "$state/downloads"
python3 "$ROOT/demo/service/demo_service.py" --port "$port" --port-file "$state/port" \
  --tools-dir "$state/downloads" >"$state/service.log" 2>&1 </dev/null &
service_pid=$!
for _ in $(seq 1 100); do
  [ -s "$state/port" ] && break
  kill -0 "$service_pid" 2>/dev/null || { echo "demo service did not start (is port $port taken?)" >&2; cat "$state/service.log" >&2; exit 1; }
  sleep 0.1
done

start_xvfb
(wineserver -p; wine cmd /c exit) >/dev/null 2>&1 </dev/null || true

out=$("$WINE" "$BUILD_DIR/bench/startup_bench.exe" "$RUNS" "$BUILD_DIR/src/app/storvane.exe" \
  "$BUILD_DIR/bench/bare_window.exe" </dev/null | tr -d '\r')
echo "$out" | grep -E '^(warm-up|run) '
launcher_ms=$(echo "$out" | sed -n 's/^median_launcher_ms //p')
bare_ms=$(echo "$out" | sed -n 's/^median_bare_ms //p')
[ -n "$launcher_ms" ] && [ -n "$bare_ms" ] || { echo "no figures" >&2; exit 1; }

# Every launcher start must have asked the service, or its window came up some other way.
asked=$(curl -s "http://127.0.0.1:$port/__log" | grep -c '^GET /api/single/storvane' || true)
if [ "$asked" -ne $((RUNS + 1)) ]; then
  echo "the launcher asked the version service $asked times in $((RUNS + 1)) starts" >&2
  exit 1
fi
echo "process start to main window shown, median of $RUNS runs each:"
printf '  %-16s %8s ms\n' "storvane.exe" "$launcher_ms" "bare_window.exe" "$bare_ms"
echo "  ratio storvane/bare: $(awk -v a="$launcher_ms" -v b="$bare_ms" 'BEGIN { printf "%.1f", a / b }')"
echo "sizes:"
for f in "$BUILD_DIR/updater/up.exe" "$BUILD_DIR/exui/ExuiKrnln.dll" "$BUILD_DIR/src/app/storvane.exe"; do
  printf '  %-16s %9d bytes\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
