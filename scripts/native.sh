#!/usr/bin/env bash
# The native lane: builds the modules that use no Windows API for Linux with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer (tree native/, built in build/native), runs
# their unit tests directly, then runs each libFuzzer target for a bounded time. Any sanitizer
# report, failed test or fuzzer finding fails the run; the input a fuzzer failed on is kept.
#
# NATIVE_FUZZ_SECONDS: seconds per fuzz target (default 20; 0 skips fuzzing). Targets run
# side by side, one per core. NATIVE_BUILD_DIR: the tree (default build/native).
# SKIP_SETUP=1 skips the package check.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${NATIVE_BUILD_DIR:-$ROOT/build/native}
FUZZ_SECONDS=${NATIVE_FUZZ_SECONDS:-20}
TARGETS=(text headers cookies file_name pe_headers)

fail() { echo "native: $*" >&2; exit 1; }

[[ "$FUZZ_SECONDS" =~ ^[0-9]+$ ]] || fail "NATIVE_FUZZ_SECONDS must be a whole number of seconds, not '$FUZZ_SECONDS'"
[ "${SKIP_SETUP:-0}" = 1 ] || "$ROOT/scripts/setup.sh" || fail "scripts/setup.sh failed (see above)"

command -v clang++ >/dev/null || fail "clang++ is missing (scripts/setup.sh installs the clang package)"
runtime="$(clang++ -print-runtime-dir 2>/dev/null)/libclang_rt.fuzzer-$(uname -m).a"
[ -f "$runtime" ] || fail "the libFuzzer runtime ($runtime) is missing (scripts/setup.sh installs libclang-rt-14-dev)"

mkdir -p "$BUILD"
t0=$(date +%s)
if ! CC=clang CXX=clang++ cmake -S "$ROOT/native" -B "$BUILD" >"$BUILD/configure.log" 2>&1; then
  tail -30 "$BUILD/configure.log"
  fail "configuring the native tree failed (full log: $BUILD/configure.log)"
fi
if ! cmake --build "$BUILD" -j"$(nproc)" >"$BUILD/build.log" 2>&1; then
  grep -Ev '^\[ *[0-9]+%\]' "$BUILD/build.log" | tail -60
  fail "building the native tree failed (full log: $BUILD/build.log)"
fi
t1=$(date +%s)
echo "native: built in $((t1 - t0)) s"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

log="$BUILD/ctest.log"
if ! ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" >"$log" 2>&1; then
  grep -Ev '^ *(Start +[0-9]+:|[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed)' "$log" | tail -80
  fail "native unit tests failed (full log: $log)"
fi
summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -1)
[ -n "$summary" ] || fail "ctest ran but printed no summary (see $log)"
echo "native: unit tests: $summary"

if [ "$FUZZ_SECONDS" = 0 ]; then
  echo "native: fuzzing skipped (NATIVE_FUZZ_SECONDS=0)"
  exit 0
fi

# Each target starts from its committed seeds plus what earlier runs found (kept in the build
# tree); new inputs go to the build tree only.
run_fuzzer() {
  local t=$1
  local work="$BUILD/fuzz-corpus/$t" findings="$BUILD/fuzz-findings"
  mkdir -p "$work" "$findings"
  rm -f "$findings/$t-"*
  local status=0
  "$BUILD/fuzz_$t" "$work" "$ROOT/native/corpus/$t" -max_total_time="$FUZZ_SECONDS" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$t-" >"$BUILD/fuzz_$t.log" 2>&1 || status=$?
  echo "$status" >"$BUILD/fuzz_$t.status"
}

echo "native: fuzzing ${#TARGETS[@]} targets for $FUZZ_SECONDS s each, $(nproc) at a time"
running=0
for t in "${TARGETS[@]}"; do
  rm -f "$BUILD/fuzz_$t.status"
  if [ "$running" -ge "$(nproc)" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_fuzzer "$t" &
  running=$((running + 1))
done
wait

failed=()
for t in "${TARGETS[@]}"; do
  flog="$BUILD/fuzz_$t.log"
  status=$(cat "$BUILD/fuzz_$t.status" 2>/dev/null || echo "none")
  execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$flog" | tail -1)
  if [ "$status" != 0 ]; then
    echo "---- fuzz_$t (exit $status) ----"
    grep -E -A25 'invariant broken|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error' "$flog" | head -60 ||
      tail -30 "$flog"
    grep -E 'Test unit written to' "$flog" || true
    echo "reproduce: $BUILD/fuzz_$t <saved input>   (full log: $flog)"
    failed+=("$t")
    echo "fuzz_$t: ${execs:-0} execs, FAILED"
  else
    echo "fuzz_$t: ${execs:-0} execs"
  fi
done

[ ${#failed[@]} = 0 ] || fail "fuzzing found faults in: ${failed[*]} (inputs under $BUILD/fuzz-findings)"
echo "native: all passed ($(( $(date +%s) - t0 )) s)"
