#!/usr/bin/env bash
# Builds Storvane and runs the whole test suite under Wine and Xvfb.
# Extra arguments go to ctest (for example: scripts/test.sh -L text).
# BUILD_DIR picks the build tree (default: build); SKIP_SETUP=1 skips the package check;
# TARGETS="a b" builds only those targets (a quick loop while working on one module).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}

[ "${SKIP_SETUP:-0}" = 1 ] || "$ROOT/scripts/setup.sh"

t0=$(date +%s)
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
build_args=()
for t in ${TARGETS:-}; do build_args+=(--target "$t"); done
if ! cmake --build "$BUILD_DIR" -j"$(nproc)" "${build_args[@]}" >"$BUILD_DIR/build.log" 2>&1; then
  grep -Ev '^\[ *[0-9]+%\]' "$BUILD_DIR/build.log" | tail -60
  echo "build failed (full log: $BUILD_DIR/build.log)"
  exit 1
fi
t1=$(date +%s)

"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/xvfb.sh"
source "$ROOT/scripts/wine-env.sh"
start_xvfb
cleanup() { wineserver -k >/dev/null 2>&1 || true; stop_xvfb; }
trap cleanup EXIT

# Wine's background services inherit the stderr of the first Wine process; start them here
# with their output discarded so that CTest does not wait on their pipes.
(wineserver -p; wine cmd /c exit) >/dev/null 2>&1 </dev/null

t2=$(date +%s)
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" "$@" || status=$?
t3=$(date +%s)
echo "times: build $((t1 - t0)) s, wine prefix and services $((t2 - t1)) s, tests $((t3 - t2)) s"
exit $status
