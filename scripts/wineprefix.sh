#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: of the tree's architecture, no mono/gecko prompts,
# Chinese fonts mapped. A failure says what failed and shows Wine's last words.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/i686}
source "$ROOT/scripts/wine-env.sh"

stamp="$WINEPREFIX/.storvane-prefix-v2"
[ -f "$stamp" ] && exit 0

rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
# Text drawn in the product's font must render as Chinese glyphs, not boxes. The settings go
# in as a UTF-16 registry file, so the Chinese face name never passes through the host locale.
regfile="$(dirname "$WINEPREFIX")/storvane-fonts.reg"
python3 - "$regfile" <<'PY'
import sys
text = "\r\n".join([
    "Windows Registry Editor Version 5.00", "",
    r"[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]",
    '"微软雅黑"="WenQuanYi Micro Hei"',
    '"Microsoft YaHei"="WenQuanYi Micro Hei"', "",
    r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]",
    '"Tahoma"=hex(7):' + ",".join("%02x" % b for b in
        "wqy-microhei.ttc,WenQuanYi Micro Hei\0\0".encode("utf-16-le")), "", ""])
open(sys.argv[1], "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))
PY
log="$(dirname "$WINEPREFIX")/wineprefix.log"
status=0
{ "$WINE" wineboot -i && "$WINE" regedit /S "$("$WINE" winepath -w "$regfile")" && wineserver -w; } \
  >"$log" 2>&1 </dev/null || status=$?
if [ "$status" != 0 ]; then
  echo "wineprefix: creating the $WINEARCH prefix $WINEPREFIX with $WINE failed (status $status)" >&2
  tail -15 "$log" >&2
  exit 1
fi
rm -f "$regfile"
touch "$stamp"
