#!/usr/bin/env bash
# Every figure of the launcher, each printed beside a reference measured in the same run, on the
# same machine, under the same Wine and Xvfb:
#   start-up   process start to main window shown, against a bare Win32 window; where the time
#              goes, from the launcher's log and from its steps taken one by one; and the same
#              with a version service that accepts and never answers, and with none at all;
#   download   DownloadToFile against a bare WinINet read loop making the same request in the
#              same process (and the same loop writing the file), with curl beside both;
#   list fill  time per entry beyond the 200 ms pacing, 50 entries against 3;
#   memory     private bytes and working set of the launcher with 50 items, against a bare
#              window drawn with GDI+, and the growth per item (50 items against 3);
#   size       storvane.exe (with the skin-UI library and up.exe inside), ExuiKrnln.dll, up.exe;
#   watcher    the launcher's CPU share with 50 tools listed, against 3.
# Figures, not pass/fail: the machine's load is printed at the start and at the end, and each
# figure is the median of several runs.
#
# Builds what it needs in its own tree: BUILD_DIR (default build/bench-<arch>), ARCH=i686|x86_64
# (default i686 where the host runs 32-bit programs, else x86_64). The launcher in that tree asks
# the demo version service this script starts on 127.0.0.1:PORT (default 18990, not the tests'
# 18960). RUNS: transfers of each kind (default 7); STARTUP_RUNS: launcher starts (default 9);
# ADVERSE_RUNS: starts with a silent service and with none (default 3);
# LAUNCHER_RUNS: launcher runs per catalogue size (default 3); CPU_SECONDS: the watcher's window
# (default 10); BODY_MB: the transfer's size (default 100).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/host-arch.sh"
if [ -z "${ARCH:-}" ]; then
  if host_runs_32bit; then ARCH=i686; else ARCH=x86_64; fi
fi
case "$ARCH" in
  i686) toolchain=toolchain-mingw32.cmake ;;
  x86_64) toolchain=toolchain-mingw64.cmake ;;
  *) echo "ARCH must be i686 or x86_64, not $ARCH" >&2; exit 2 ;;
esac
export BUILD_DIR=${BUILD_DIR:-$ROOT/build/bench-$ARCH}
PORT=${PORT:-18990}
RUNS=${RUNS:-7}
STARTUP_RUNS=${STARTUP_RUNS:-9}
BREAKDOWN_RUNS=${BREAKDOWN_RUNS:-5}
ADVERSE_RUNS=${ADVERSE_RUNS:-3}
LAUNCHER_RUNS=${LAUNCHER_RUNS:-3}
CPU_SECONDS=${CPU_SECONDS:-10}
BODY_MB=${BODY_MB:-100}
began=$(date +%s)

echo "arch $ARCH, tree $BUILD_DIR, service port $PORT"
echo "load at start: $(uptime)"

if [ -f "$BUILD_DIR/CMakeCache.txt" ] &&
   ! grep -q "^CMAKE_TOOLCHAIN_FILE:.*/$toolchain\$" "$BUILD_DIR/CMakeCache.txt"; then
  echo "$BUILD_DIR was configured for another architecture; give another BUILD_DIR" >&2
  exit 2
fi
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" \
  -DSTORVANE_SERVICE_BASE="http://127.0.0.1:$PORT" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target storvane up ExuiKrnln catalogue_bench startup_bench bare_window \
  gdiplus_window shoptool_a shoptool_b shoptool_c >/dev/null
"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

if curl -s -o /dev/null "http://127.0.0.1:$PORT/"; then
  echo "port $PORT is taken; give another PORT" >&2
  exit 1
fi
work="$BUILD_DIR/bench-all"
rm -rf "$work"
mkdir -p "$work/downloads"
cp "$BUILD_DIR"/demo/shoptool_*.exe "$BUILD_DIR/src/app/storvane.exe" "$work/downloads/"
head -c $((BODY_MB * 1024 * 1024)) /dev/urandom >"$work/downloads/big.bin"

service_pid=""
floor_pid=""
static_state="$work/static-server"
cleanup() {
  bash "$ROOT/tests/support/nginx_fixture.sh" stop "$static_state" >/dev/null 2>&1 || true
  "$WINE" "$BUILD_DIR/bench/catalogue_bench.exe" end >/dev/null 2>&1 </dev/null || true
  "$WINE" "$BUILD_DIR/bench/catalogue_bench.exe" end gdiplus_window.exe >/dev/null 2>&1 </dev/null || true
  [ -n "$floor_pid" ] && kill "$floor_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  stop_xvfb
  rm -f "$work/downloads/big.bin"
}
trap cleanup EXIT
start_xvfb
python3 "$ROOT/demo/service/demo_service.py" --port "$PORT" --port-file "$work/port" --tools-dir "$work/downloads" \
  >"$work/service.log" 2>&1 </dev/null &
service_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/port" ] && break
  kill -0 "$service_pid" 2>/dev/null || { echo "the demo service did not start" >&2; cat "$work/service.log" >&2; exit 1; }
  sleep 0.1
done
(wineserver -p; "$WINE" cmd /c exit) >/dev/null 2>&1 </dev/null || true

# Output goes through a file: a program started by a bench program inherits its standard
# handles, and a pipe would stay open for as long as that program runs.
run_in_wine() {  # program, arguments...
  local program=$1
  shift
  "$WINE" "$program" "$@" </dev/null >"$work/out" 2>/dev/null || true
  tr -d '\r' <"$work/out"
}
bench() { run_in_wine "$BUILD_DIR/bench/catalogue_bench.exe" "$@"; }
pick() { sed -n "s/^$1 //p" | head -1; }
median() { sort -g | awk '{ a[NR] = $1 } END { if (NR == 0) print "-"; else print a[int((NR + 1) / 2)] }'; }
control() { curl -s -o /dev/null -X POST --data "$1" "http://127.0.0.1:$PORT/__control"; }
calc() { awk "BEGIN { printf \"$1\", $2 }" 2>/dev/null || echo "-"; }
asked_version() { curl -s "http://127.0.0.1:$PORT/__log" | grep -c '^GET /api/single/storvane' || true; }

# --- Start-up -----------------------------------------------------------------------------------
echo
echo "start-up: $STARTUP_RUNS launcher starts against as many bare windows, then $BREAKDOWN_RUNS with the log on"
asked_before=$(asked_version)
startup=$(run_in_wine "$BUILD_DIR/bench/startup_bench.exe" "$STARTUP_RUNS" "$BUILD_DIR/src/app/storvane.exe" \
  "$BUILD_DIR/bench/bare_window.exe")
echo "$startup" | grep -E '^(warm-up|run) ' | sed 's/^/  /' || true
launcher_ms=$(echo "$startup" | pick median_launcher_ms)
bare_ms=$(echo "$startup" | pick median_bare_ms)
[ -n "$launcher_ms" ] && [ -n "$bare_ms" ] || { echo "no start-up figures" >&2; exit 1; }
asked=$(($(asked_version) - asked_before))
# Every launcher start must have asked the service, or its window came up some other way.
[ "$asked" -eq $((STARTUP_RUNS + 1)) ] ||
  echo "  note: the launcher asked the version service $asked times in $((STARTUP_RUNS + 1)) starts"
logged=$(STORVANE_LOG=1 run_in_wine "$BUILD_DIR/bench/startup_bench.exe" "$BREAKDOWN_RUNS" \
  "$BUILD_DIR/src/app/storvane.exe" "$BUILD_DIR/bench/bare_window.exe")
echo "$logged" | grep -E '^run ' | sed 's/^/  log on: /' || true
logged_launcher_ms=$(echo "$logged" | pick median_launcher_ms)
version_ms=$(echo "$logged" | pick median_version_answered_ms)
catalogue_ms=$(echo "$logged" | pick median_catalogue_answered_ms)
steps_out="$work/steps"
: >"$steps_out"
for _ in $(seq "$BREAKDOWN_RUNS"); do
  run_in_wine "$BUILD_DIR/bench/startup_bench.exe" steps "$BUILD_DIR/exui/ExuiKrnln.dll" \
    "$BUILD_DIR/updater/up.exe" "http://127.0.0.1:$PORT/api/single/storvane" >>"$steps_out"
done
step() { pick_all "$1" | median; }
pick_all() { sed -n "s/^$1 //p" "$steps_out"; }

# --- Start-up when the service fails ------------------------------------------------------------
# A service that accepts the connection and never answers (the version check gives up at its
# deadline), then no service at all (connections refused while the demo service stops listening).
echo "start-up with a silent service and with none: $ADVERSE_RUNS starts each"
control '{"misbehave": {"/api/": "silent"}}'
silent_ms=$(run_in_wine "$BUILD_DIR/bench/startup_bench.exe" "$ADVERSE_RUNS" "$BUILD_DIR/src/app/storvane.exe" \
  "$BUILD_DIR/bench/bare_window.exe" | pick median_launcher_ms)
control '{"misbehave": null}'
control '{"down_ms": 30000}'
sleep 0.5
refused_ms=$(run_in_wine "$BUILD_DIR/bench/startup_bench.exe" "$ADVERSE_RUNS" "$BUILD_DIR/src/app/storvane.exe" \
  "$BUILD_DIR/bench/bare_window.exe" | pick median_launcher_ms)
for _ in $(seq 1 100); do
  curl -s -o /dev/null "http://127.0.0.1:$PORT/__log" && break
  sleep 0.5
done

# --- Download -----------------------------------------------------------------------------------
# The body comes from a static server that hands the file to the kernel (nginx, as the publish
# tests run it) when there is one: the demo service reads the whole file into memory for every
# request, which puts its own time and memory churn into every figure.
mkdir -p "$static_state"
if bash "$ROOT/tests/support/nginx_fixture.sh" start "$static_state" "$work/downloads" 0 >/dev/null 2>&1; then
  server="nginx"
  url="http://127.0.0.1:$(cat "$static_state/port")/big.bin"
else
  server="the demo service"
  url="http://127.0.0.1:$PORT/download/big.bin"
fi
echo
echo "download: $BODY_MB MB over loopback from $server, $RUNS runs of each kind"
transfer=$(bench download "$url" 'C:\bench-big.bin' "$RUNS")
echo "$transfer" | grep -E '^run ' | sed 's/^/  /' || true
engine_ms=$(echo "$transfer" | pick median_ms)
quiet_ms=$(echo "$transfer" | pick quiet_median_ms)
bare_read_ms=$(echo "$transfer" | pick bare_median_ms)
bare_write_ms=$(echo "$transfer" | pick bare_write_median_ms)
[ -n "$engine_ms" ] && [ -n "$bare_read_ms" ] || { echo "no transfer figures" >&2; exit 1; }
curl_times=()
for _ in $(seq "$RUNS"); do
  t=$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url")
  curl_times+=("$(calc "%.1f" "$t * 1000")")
done
echo "  curl ${curl_times[*]} ms"
curl_ms=$(printf '%s\n' "${curl_times[@]}" | median)
# Under Wine a loopback transfer runs in one of two modes, about four times apart, and can switch
# from one transfer to the next; each run times the kinds back to back, so the ratios are taken
# run by run, and the fastest of each kind is shown as well.
runs_of() { echo "$transfer" | awk -v k="$1" '/^run / { for (i = 3; i < NF; i += 2) if ($i == k) print $(i + 1) }'; }
fastest() { runs_of "$1" | sort -g | head -1; }
ratio_by_run() {  # reference kind: median over the runs of reference time / DownloadToFile time
  paste <(runs_of "$1") <(runs_of engine) | awk '{ printf "%.3f\n", $1 / $2 }' | median
}
rm -f "$work/curl.bin" "$WINEPREFIX/drive_c/bench-big.bin"
bash "$ROOT/tests/support/nginx_fixture.sh" stop "$static_state" >/dev/null 2>&1 || true

# --- The launcher with 3 and 50 entries: fill, memory, watcher CPU; the GDI+ floor ------------
echo
echo "launcher runs: $LAUNCHER_RUNS each with 3 and 50 entries (fill, memory, then CPU over $CPU_SECONDS s)"
install_dir="$WINEPREFIX/drive_c/quorlen/storvane/zor"
results="$work/launcher"
: >"$results"
launcher_run() {  # entries
  control "{\"entries\": $1}"
  mkdir -p "$install_dir"
  rm -rf "$install_dir/soft"
  cp "$BUILD_DIR/src/app/storvane.exe" "$install_dir/storvane.exe"
  local out fill
  out=$(bench fill 'C:\quorlen\storvane\zor\storvane.exe' "$1")
  fill=$(echo "$out" | pick fill_ms)
  [ -n "$fill" ] || { echo "  $1 entries: the list did not fill" >&2; bench end >/dev/null; return; }
  # Let the first watcher passes settle before measuring.
  sleep 2
  local memory cpu
  memory=$(bench memory)
  # The host's own account as well: the Wine process that runs the launcher in this prefix.
  local pid="" p
  for p in $(pgrep -f 'storvane\.exe' || true); do
    grep -qz "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && pid=$p && break
  done
  local t0 t1
  t0=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
  cpu=$(bench cpu "$CPU_SECONDS")
  t1=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
  # Again once the fill's helper threads (the request component's pool) have ended: what the
  # launcher holds for as long as it stays open.
  local settled
  settled=$(bench memory)
  [ "$1" -eq 50 ] && bench regions >"$work/regions_50"
  bench end >/dev/null
  local host
  host=$(awk -v a="$t0" -v b="$t1" -v hz="$(getconf CLK_TCK)" -v s="$CPU_SECONDS" \
    'BEGIN { printf "%.1f", 100 * (b - a) / hz / s }')
  local ws private cpu_percent
  ws=$(echo "$memory" | pick working_set_kb)
  private=$(echo "$memory" | pick private_kb)
  cpu_percent=$(echo "$cpu" | pick cpu_percent)
  local settled_ws settled_private
  settled_ws=$(echo "$settled" | pick working_set_kb)
  settled_private=$(echo "$settled" | pick private_kb)
  echo "  $1 entries: fill $fill ms, private $private KB, working set $ws KB, settled $settled_private / $settled_ws KB," \
    "CPU $cpu_percent % (host $host %)"
  {
    echo "fill_$1 $fill"
    echo "ws_$1 $ws"
    echo "private_$1 $private"
    echo "settled_ws_$1 $settled_ws"
    echo "settled_private_$1 $settled_private"
    echo "$memory" | sed -n "s/^committed_\([a-z]*\)_kb /committed_\1_$1 /p"
    echo "cpu_$1 $cpu_percent"
    echo "host_$1 $host"
  } >>"$results"
}
for _ in $(seq "$LAUNCHER_RUNS"); do
  launcher_run 3
  launcher_run 50
done
# The fill's own work per entry, taken outside the launcher against the same 50 entries.
control '{"entries": 50}'
bench fillsteps "http://127.0.0.1:$PORT" >"$work/fillsteps"
control '{"entries": 0}'
for _ in $(seq "$LAUNCHER_RUNS"); do
  "$WINE" "$BUILD_DIR/bench/gdiplus_window.exe" </dev/null >/dev/null 2>&1 &
  floor_pid=$!
  sleep 3
  floor=$(bench memory gdiplus_window.exe)
  bench end gdiplus_window.exe >/dev/null
  wait "$floor_pid" 2>/dev/null || true
  floor_pid=""
  echo "  GDI+ window: working set $(echo "$floor" | pick working_set_kb) KB, private $(echo "$floor" | pick private_kb) KB"
  {
    echo "ws_floor $(echo "$floor" | pick working_set_kb)"
    echo "private_floor $(echo "$floor" | pick private_kb)"
    echo "$floor" | sed -n "s/^committed_\([a-z]*\)_kb /committed_\1_floor /p"
  } >>"$results"
done
of() { sed -n "s/^$1 //p" "$results" | median; }

# --- Summary --------------------------------------------------------------------------------------
mbps() { calc "%.0f" "$BODY_MB / ($1 / 1000)"; }
per_entry() { calc "%.1f" "($1 - $2 * 200) / $2"; }
size() { stat -c %s "$1"; }
echo
echo "=== figures ($ARCH), medians"
echo "start-up, process start to main window shown ($STARTUP_RUNS runs):"
printf '  storvane.exe            %8s ms\n' "$launcher_ms"
printf '  bare Win32 window       %8s ms   (ratio %s)\n' "$bare_ms" "$(calc "%.1f" "$launcher_ms / $bare_ms")"
printf '  silent service          %8s ms   (accepts, never answers; %s runs, the check gives up at 5 s)\n' \
  "${silent_ms:--}" "$ADVERSE_RUNS"
printf '  no service              %8s ms   (connection refused; %s runs)\n' "${refused_ms:--}" "$ADVERSE_RUNS"
echo "  where the launcher's time goes ($BREAKDOWN_RUNS runs with the log on, window at $logged_launcher_ms ms):"
printf '    start to version answer  %6s ms   (the log'"'"'s line for /api/single/)\n' "$version_ms"
printf '    version answer to window %6s ms   (title, update decision, show, first paint)\n' \
  "$(calc "%.0f" "$logged_launcher_ms - $version_ms")"
printf '    catalogue answered at    %6s ms   (after the window; not part of the figure)\n' "$catalogue_ms"
echo "  the start-up steps taken one by one in a fresh process ($BREAKDOWN_RUNS runs):"
printf '    load ExuiKrnln.dll       %6s ms   (system loader from the file; the launcher maps its own copy)\n' \
  "$(step load_library_ms)"
printf '    single-instance claim    %6s ms\n' "$(step instance_claim_ms)"
printf '    write up.exe             %6s ms   (%s bytes)\n' "$(step write_updater_ms)" "$(size "$BUILD_DIR/updater/up.exe")"
printf '    version query            %6s ms   (HttpFetch, first request of the process)\n' "$(step version_fetch_ms)"
printf '    version answer read      %6s ms   (JSON document created and parsed)\n' "$(step version_read_ms)"
echo "download of $BODY_MB MB over loopback from $server ($RUNS runs; median, then fastest):"
printf '  DownloadToFile          %8s ms %5s MB/s   fastest %8s ms\n' "$engine_ms" "$(mbps "$engine_ms")" \
  "$(fastest engine)"
printf '  bare WinINet loop       %8s ms %5s MB/s   fastest %8s ms\n' "$bare_read_ms" "$(mbps "$bare_read_ms")" \
  "$(fastest bare)"
printf '  bare loop + WriteFile   %8s ms %5s MB/s   fastest %8s ms\n' "$bare_write_ms" "$(mbps "$bare_write_ms")" \
  "$(fastest bare_write)"
printf '  DownloadToFile without a progress routine %s ms, fastest %s ms\n' "$quiet_ms" "$(fastest quiet)"
printf '  curl                    %8s ms %5s MB/s\n' "$curl_ms" "$(mbps "$curl_ms")"
printf '  DownloadToFile throughput against the bare loop: %s x run by run, %s x fastest against fastest\n' \
  "$(ratio_by_run bare)" "$(calc "%.2f" "$(fastest bare) / $(fastest engine)")"
printf '  against the bare loop writing the file:          %s x run by run, %s x fastest against fastest\n' \
  "$(ratio_by_run bare_write)" "$(calc "%.2f" "$(fastest bare_write) / $(fastest engine)")"
echo "list fill, per entry beyond the 200 ms pacing (catalogue request included):"
printf '  50 entries              %8s ms   (fill %s ms)\n' "$(per_entry "$(of fill_50)" 50)" "$(of fill_50)"
printf '  3 entries               %8s ms   (fill %s ms)\n' "$(per_entry "$(of fill_3)" 3)" "$(of fill_3)"
echo "  the fill's own work per entry, outside the launcher (50 entries, paced as the launcher paces them):"
fillstep() { sed -n "s/^$1 //p" "$work/fillsteps" | median; }
printf '    icon request             %6s ms   (request object, one per entry)\n' "$(fillstep icon_ms)"
printf '    nine catalogue reads     %6s ms   (JSON document paths)\n' "$(fillstep reads_ms)"
printf '    catalogue request        %6s ms, parsed in %s ms (once)\n' "$(fillstep catalogue_fetch_ms)" \
  "$(fillstep catalogue_parse_ms)"
echo "memory 2 s after the fill, and settled ($((CPU_SECONDS + 2)) s after it):"
printf '  launcher, 50 items      private %7s KB  working set %7s KB   settled %7s / %7s KB\n' "$(of private_50)" \
  "$(of ws_50)" "$(of settled_private_50)" "$(of settled_ws_50)"
printf '  launcher, 3 items       private %7s KB  working set %7s KB   settled %7s / %7s KB\n' "$(of private_3)" \
  "$(of ws_3)" "$(of settled_private_3)" "$(of settled_ws_3)"
printf '  bare GDI+ window        private %7s KB  working set %7s KB\n' "$(of private_floor)" "$(of ws_floor)"
printf '  growth per item         private %7s KB  working set %7s KB   (50 items against 3, settled)\n' \
  "$(calc "%.1f" "($(of settled_private_50) - $(of settled_private_3)) / 47")" \
  "$(calc "%.1f" "($(of settled_ws_50) - $(of settled_ws_3)) / 47")"
printf '    kept by the request component per icon request %s KB, by the script engine per entry'"'"'s reads %s KB\n' \
  "$(fillstep icon_growth_kb)" "$(fillstep reads_growth_kb)"
echo "  the launcher's private allocations of 256 KB or more, and its threads (50 items, settled):"
sed -n 's/^\(region\|smaller\|thread\) /    \1 /p' "$work/regions_50" 2>/dev/null || true
echo "  committed memory by kind   private     images     mapped (KB)"
for who in 50 3 floor; do
  printf '    %-22s %8s %10s %10s\n' "$(case $who in floor) echo "bare GDI+ window" ;; *) echo "launcher, $who items" ;; esac)" \
    "$(of committed_private_$who)" "$(of committed_image_$who)" "$(of committed_mapped_$who)"
done
echo "size:"
printf '  storvane.exe            %9s bytes   (ExuiKrnln.dll and up.exe inside)\n' "$(size "$BUILD_DIR/src/app/storvane.exe")"
printf '  ExuiKrnln.dll           %9s bytes\n' "$(size "$BUILD_DIR/exui/ExuiKrnln.dll")"
printf '  up.exe                  %9s bytes\n' "$(size "$BUILD_DIR/updater/up.exe")"
echo "running watcher, launcher CPU over $CPU_SECONDS s:"
printf '  50 tools                %6s %% by GetProcessTimes, %s %% by the host\n' "$(of cpu_50)" "$(of host_50)"
printf '  3 tools                 %6s %% by GetProcessTimes, %s %% by the host\n' "$(of cpu_3)" "$(of host_3)"
echo "load at the end: $(uptime)"
echo "took $(( $(date +%s) - began )) s"
