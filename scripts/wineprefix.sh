#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: 32-bit, no mono/gecko prompts, Chinese fonts mapped.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
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
{
  wineboot -i
  wine regedit /S "$(winepath -w "$regfile")"
  wineserver -w
} >/dev/null 2>&1 </dev/null
rm -f "$regfile"
touch "$stamp"
