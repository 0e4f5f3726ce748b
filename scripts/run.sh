#!/usr/bin/env bash
# Runs Storvane the way a user meets it: demo version service and demo tools on loopback,
# the launcher installed in its directory inside this build's Wine prefix, a real window.
# Without a display it runs under a private Xvfb and saves screenshots.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
[ "${SKIP_SETUP:-0}" = 1 ] || "$ROOT/scripts/setup.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" >"$BUILD_DIR/build.log" 2>&1 || { tail -40 "$BUILD_DIR/build.log"; exit 1; }
if [ ! -f "$BUILD_DIR/src/app/storvane.exe" ]; then
  echo "run: the launcher is not built yet (it arrives with the shell and catalogue work)."
  exit 1
fi
exec "$ROOT/scripts/demo.sh"
