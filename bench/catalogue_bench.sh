#!/usr/bin/env bash
# Catalogue figures, each beside a reference measured in the same run:
# - DownloadToFile reading a 100 MB file over loopback, against curl on the same address;
# - time to fill the list per entry beyond the 200 ms pacing, 50 entries against 3;
# - the running watcher's CPU use with 20 tools listed, against 3;
# - the launcher's working set with 50 items, against 3.
# BUILD_DIR picks the build tree (default: build); RUNS the transfers each (default: 3).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build/i686}
RUNS=${RUNS:-3}
CPU_SECONDS=${CPU_SECONDS:-10}
PORT=18960  # the address the launcher is built to ask

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target catalogue_bench storvane shoptool_a shoptool_b shoptool_c >/dev/null
"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

if curl -s -o /dev/null "http://127.0.0.1:$PORT/api/single/storvane"; then
  echo "port $PORT is taken (a test run?); run the benchmark when it is free" >&2
  exit 1
fi
work="$BUILD_DIR/bench-catalogue"
rm -rf "$work"
mkdir -p "$work/downloads"
cp "$BUILD_DIR"/demo/shoptool_*.exe "$BUILD_DIR/src/app/storvane.exe" "$work/downloads/"
head -c $((100 * 1024 * 1024)) /dev/urandom >"$work/downloads/big.bin"

service_pid=""
cleanup() {
  "$WINE" "$BUILD_DIR/bench/catalogue_bench.exe" end >/dev/null 2>&1 </dev/null || true
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
}
trap cleanup EXIT
start_xvfb
python3 "$ROOT/demo/service/demo_service.py" --port "$PORT" --tools-dir "$work/downloads" >"$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 50); do curl -s -o /dev/null "http://127.0.0.1:$PORT/api/single/storvane" && break; sleep 0.1; done
(wineserver -p; wine cmd /c exit) >/dev/null 2>&1 </dev/null || true
# Output goes through a file: a launcher started by the bench inherits its standard handles, and
# a pipe would stay open for as long as the launcher runs.
bench() {
  "$WINE" "$BUILD_DIR/bench/catalogue_bench.exe" "$@" </dev/null >"$work/bench.out" 2>/dev/null || true
  tr -d '\r' <"$work/bench.out"
}
pick() { sed -n "s/^$1 //p"; }
control() { curl -s -o /dev/null -X POST --data "$1" "http://127.0.0.1:$PORT/__control"; }

# Transfer throughput.
url="http://127.0.0.1:$PORT/download/big.bin"
out=$(bench download "$url" 'C:\bench-big.bin' "$RUNS")
echo "$out" | grep '^run '
engine_ms=$(echo "$out" | pick median_ms)
curl_times=()
for _ in $(seq "$RUNS"); do
  t=$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url")
  curl_times+=("$(awk -v t="$t" 'BEGIN { printf "%.1f", t * 1000 }')")
done
rm -f "$work/curl.bin" "$WINEPREFIX/drive_c/bench-big.bin"
curl_ms=$(printf '%s\n' "${curl_times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int(NR / 2) + 1] }')
mbps() { awk -v m="$1" 'BEGIN { printf "%.0f", 100 / (m / 1000) }'; }

# The launcher with N entries: fill time, then CPU or memory while it runs.
install_dir="$WINEPREFIX/drive_c/quorlen/storvane/zor"
launcher_run() {  # entries, what to measure after the fill (cpu|memory|none)
  control "{\"entries\": $1}"
  mkdir -p "$install_dir"
  rm -rf "$install_dir/soft"
  cp "$BUILD_DIR/src/app/storvane.exe" "$install_dir/storvane.exe"
  local out fill
  out=$(bench fill 'C:\quorlen\storvane\zor\storvane.exe' "$1")
  fill=$(echo "$out" | pick fill_ms)
  echo "fill_ms $fill"
  # Let the first watcher passes settle before measuring.
  sleep 2
  case "$2" in
    cpu)
      # The system's own account as well: the host process that runs the launcher in this prefix.
      local pid="" p
      for p in $(pgrep -f 'storvane\.exe' || true); do
        grep -qz "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && pid=$p && break
      done
      local t0 t1
      t0=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
      bench cpu "$CPU_SECONDS"
      t1=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
      echo "host_cpu_percent $(awk -v a="$t0" -v b="$t1" -v hz="$(getconf CLK_TCK)" -v s="$CPU_SECONDS" \
        'BEGIN { printf "%.1f", 100 * (b - a) / hz / s }')"
      ;;
    memory) bench memory ;;
  esac
  bench end >/dev/null || true
}
r3=$(launcher_run 3 memory)
r3cpu=$(launcher_run 3 cpu)
r20=$(launcher_run 20 cpu)
r50=$(launcher_run 50 memory)
per_entry() { awk -v f="$1" -v n="$2" 'BEGIN { printf "%.1f", (f - n * 200) / n }'; }

echo
echo "transfer of 100 MB over loopback, median of $RUNS:"
echo "  DownloadToFile  $engine_ms ms ($(mbps "$engine_ms") MB/s)"
echo "  curl            $curl_ms ms ($(mbps "$curl_ms") MB/s)"
echo "  ratio           $(awk -v a="$engine_ms" -v b="$curl_ms" 'BEGIN { printf "%.2f", a / b }')"
echo "list fill, per entry beyond the 200 ms pacing (catalogue request included):"
echo "  50 entries      $(per_entry "$(echo "$r50" | pick fill_ms)" 50) ms (fill $(echo "$r50" | pick fill_ms) ms)"
echo "  3 entries       $(per_entry "$(echo "$r3" | pick fill_ms)" 3) ms (fill $(echo "$r3" | pick fill_ms) ms)"
echo "running watcher, launcher CPU over ${CPU_SECONDS} s:"
echo "  20 tools        $(echo "$r20" | pick cpu_percent) % by GetProcessTimes, $(echo "$r20" | pick host_cpu_percent) % by the host"
echo "  3 tools         $(echo "$r3cpu" | pick cpu_percent) % by GetProcessTimes, $(echo "$r3cpu" | pick host_cpu_percent) % by the host"
echo "launcher working set after the fill:"
echo "  50 items        $(echo "$r50" | pick working_set_kb) KB (private $(echo "$r50" | pick private_kb) KB)"
echo "  3 items         $(echo "$r3" | pick working_set_kb) KB (private $(echo "$r3" | pick private_kb) KB)"
