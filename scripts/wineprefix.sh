#!/usr/bin/env bash
# Creates the build tree's Wine prefix once: 32-bit, no mono/gecko prompts, Chinese fonts mapped.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
source "$ROOT/scripts/wine-env.sh"

stamp="$WINEPREFIX/.storvane-prefix-v1"
[ -f "$stamp" ] && exit 0

rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
{
  wineboot -i
  # Text drawn in the product's font must render as Chinese glyphs, not boxes.
  for face in '微软雅黑' 'Microsoft YaHei'; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'WenQuanYi Micro Hei' /f
  done
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
  wineserver -w
} >/dev/null 2>&1 </dev/null
touch "$stamp"
