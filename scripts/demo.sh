#!/usr/bin/env bash
# Starts the demo: the demo tools published as a release with tools/publish.py and served as
# static files by nginx on 127.0.0.1:18960 (the address the launcher is built with by default),
# the launcher installed at C:\quorlen\storvane\zor in this build's Wine prefix, and the
# launcher itself. With a display the window opens there and the demo ends when the launcher
# does; without one it runs under a private Xvfb, walks through a few screens and saves
# screenshots. Called by scripts/run.sh after the build.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR=${BUILD_DIR:-$ROOT/build/i686}
PORT=${STORVANE_DEMO_PORT:-18960}
SHOTS=${STORVANE_SHOTS:-$BUILD_DIR/screenshots}

"$ROOT/scripts/wineprefix.sh"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/xvfb.sh"

# The release: the demo tools, their icons and tutorials, and the launcher itself, signed with a
# demo key made once for this build tree.
release="$BUILD_DIR/demo-release"
site="$BUILD_DIR/demo-site"
key="$BUILD_DIR/demo-key"
nginx_state="$BUILD_DIR/demo-nginx"
rm -rf "$release"
mkdir -p "$release/files"
cp "$ROOT"/demo/release/*.json "$release/"
cp "$BUILD_DIR"/demo/shoptool_*.exe "$ROOT"/demo/service/site/icons/*.png "$ROOT"/demo/service/site/edu/*.html \
  "$release/files/"
cp "$BUILD_DIR/src/app/storvane.exe" "$release/files/storvane.exe"

own_xvfb=0
cleanup() {
  bash "$ROOT/tests/support/nginx_fixture.sh" stop "$nginx_state" || true
  wineserver -k >/dev/null 2>&1 || true
  [ "$own_xvfb" = 1 ] && stop_xvfb
}
trap cleanup EXIT

if curl -s -o /dev/null "http://127.0.0.1:$PORT/"; then
  echo "demo: port $PORT is taken; stop whatever runs there (or set STORVANE_DEMO_PORT and rebuild with -DSTORVANE_SERVICE_BASE)." >&2
  exit 1
fi
[ -f "$key/private.pem" ] || python3 "$ROOT/tools/publish.py" keygen --out "$key" >/dev/null \
  || { echo "demo: making the demo key failed (tools/publish.py keygen needs openssl)" >&2; exit 1; }
python3 "$ROOT/tools/publish.py" build --source "$release" --out "$site" --key "$key/private.pem" \
  --base-url "http://127.0.0.1:$PORT" >/dev/null \
  || { echo "demo: publishing the demo release failed (see above)" >&2; exit 1; }
bash "$ROOT/tests/support/nginx_fixture.sh" start "$nginx_state" "$site" "$PORT" \
  || { echo "demo: nginx did not start on 127.0.0.1:$PORT (see above)" >&2; exit 1; }

install_dir="$WINEPREFIX/drive_c/quorlen/storvane/zor"
mkdir -p "$install_dir"
cp "$BUILD_DIR/src/app/storvane.exe" "$install_dir/storvane.exe"

interactive=0
if [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1; then
  interactive=1
elif [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ]; then
  interactive=1
fi

if [ "$interactive" = 1 ]; then
  echo "demo: release served by nginx on http://127.0.0.1:$PORT; starting the launcher on $DISPLAY (close it to end the demo)"
  (cd "$install_dir" && "$WINE" storvane.exe) >/dev/null 2>&1 </dev/null || true
  wineserver -w
  exit 0
fi

start_xvfb
own_xvfb=1
(wineserver -p; "$WINE" cmd /c exit) >/dev/null 2>&1 </dev/null
mkdir -p "$SHOTS"
echo "demo: no display; running under Xvfb $DISPLAY and saving screenshots to $SHOTS"
(cd "$install_dir" && "$WINE" storvane.exe) >/dev/null 2>&1 </dev/null &

shot() { import -window root "$SHOTS/$1.png" && echo "  $SHOTS/$1.png"; }
# Give the launcher time to come up and fill the list (one icon request and 200 ms per entry).
for _ in $(seq 1 60); do
  xdotool search --name "Storvane" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 4
shot 01-main-window
if [ -x "$BUILD_DIR/tests/app/demo_walkthrough.exe" ]; then
  # Installs and opens the first tool through the real window, saving a picture per step.
  "$WINE" "$BUILD_DIR/tests/app/demo_walkthrough.exe" "$("$WINE" winepath -w "$SHOTS")" >/dev/null 2>&1 </dev/null || true
  ls "$SHOTS"/0[2-9]*.png 2>/dev/null | sed "s/^/  /"
fi
echo "demo: done"
