#!/usr/bin/env bash
# Runs Storvane the way a user meets it: demo version service and demo tools on loopback,
# the launcher installed in its directory inside this build's Wine prefix, a real window.
# Without a display it runs under a private Xvfb and saves screenshots.
# The shipped i686 build runs where the host runs 32-bit programs; elsewhere the x86_64 test
# build of the same code stands in (said in one line). STORVANE_HOST_64_ONLY=1 forces that.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$ROOT/build}
source "$ROOT/scripts/host-arch.sh"
[ "${SKIP_SETUP:-0}" = 1 ] || "$ROOT/scripts/setup.sh"

if host_runs_32bit; then
  arch=i686; toolchain="$ROOT/cmake/toolchain-mingw32.cmake"
else
  arch=x86_64; toolchain="$ROOT/cmake/toolchain-mingw64.cmake"
  echo "run: showing the x86_64 test build: $(host_32bit_reason)"
fi
export BUILD_DIR="$BUILD_ROOT/$arch"
export STORVANE_SHOTS=${STORVANE_SHOTS:-$BUILD_ROOT/screenshots}
mkdir -p "$BUILD_DIR"
if ! cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$toolchain" >"$BUILD_DIR/configure.log" 2>&1; then
  tail -30 "$BUILD_DIR/configure.log"; echo "run: configuring the $arch build failed"; exit 1
fi
if ! cmake --build "$BUILD_DIR" -j"$(nproc)" >"$BUILD_DIR/build.log" 2>&1; then
  grep -Ev '^\[ *[0-9]+%\]' "$BUILD_DIR/build.log" | tail -40
  echo "run: the $arch build failed (full log: $BUILD_DIR/build.log)"; exit 1
fi
exec "$ROOT/scripts/demo.sh"
