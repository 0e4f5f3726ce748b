#!/usr/bin/env bash
# HttpFetch reading a 10 MB body over loopback, against curl fetching the same URL and against
# a bare WinHTTP read loop in the same Wine process: prints the median times and the ratios. BUILD_DIR picks the build tree (default: build);
# RUNS the number of fetches each (default: 7); SIZE the body size in bytes.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build/i686}
RUNS=${RUNS:-7}
SIZE=${SIZE:-10485760}

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$BUILD_DIR" --target http_bench -j"$(nproc)" >/dev/null
"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/wine-env.sh"

state="$BUILD_DIR/bench-http-server"
python3 "$ROOT/tests/support/test_server.py" start --state-dir "$state" --ca-dir "$BUILD_DIR/test-ca" >/dev/null
cleanup() { python3 "$ROOT/tests/support/test_server.py" stop --state-dir "$state"; }
trap cleanup EXIT
port=$(sed -n 's/^http=//p' "$state/ports.txt")
url="http://127.0.0.1:$port/bytes/$SIZE?ascii=1"

(wineserver -p; wine cmd /c exit) >/dev/null 2>&1 </dev/null || true
engine=$("$WINE" "$BUILD_DIR/bench/http_bench.exe" "$url" "$RUNS" </dev/null | tr -d '\r')
echo "$engine" | grep '^run '
engine_ms=$(echo "$engine" | sed -n 's/^median_ms //p')
bare_ms=$(echo "$engine" | sed -n 's/^bare_median_ms //p')

curl_times=()
for _ in $(seq "$RUNS"); do
  read -r t size < <(curl -s -o /dev/null -w '%{time_total} %{size_download}\n' "$url")
  curl_times+=("$(awk -v t="$t" 'BEGIN { printf "%.1f", t * 1000 }')")
  echo "curl run: ${curl_times[-1]} ms, $size bytes"
done
curl_ms=$(printf '%s\n' "${curl_times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int(NR / 2) + 1] }')

mb=$(awk -v s="$SIZE" 'BEGIN { printf "%.1f", s / 1048576 }')
echo "body: $mb MB over loopback, $RUNS runs each"
echo "HttpFetch median: $engine_ms ms ($(awk -v s="$SIZE" -v m="$engine_ms" 'BEGIN { printf "%.0f", s / 1048576 / (m / 1000) }') MB/s)"
echo "curl median:      $curl_ms ms ($(awk -v s="$SIZE" -v m="$curl_ms" 'BEGIN { printf "%.0f", s / 1048576 / (m / 1000) }') MB/s)"
echo "bare WinHTTP loop: $bare_ms ms"
echo "ratio HttpFetch/curl: $(awk -v a="$engine_ms" -v b="$curl_ms" 'BEGIN { printf "%.2f", a / b }')"
echo "ratio HttpFetch/bare WinHTTP loop: $(awk -v a="$engine_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", a / b }')"
