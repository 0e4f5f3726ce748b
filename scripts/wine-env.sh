# Sourced by the test and run scripts and by the CTest emulator: the environment every Wine
# process of a build uses. Expects BUILD_DIR; gives each build tree a prefix of its own whose
# architecture follows the tree's (the file wine-arch, written when CMake configures the tree).
# WINE names the loader to use: the 64-bit loader for an x86_64 tree, so that a host that runs
# 64-bit code only never needs the 32-bit one.
: "${BUILD_DIR:?BUILD_DIR must be set}"
export WINEPREFIX="${STORVANE_WINEPREFIX:-$BUILD_DIR/wineprefix}"
STORVANE_WINE_ARCH=win32
[ -f "$BUILD_DIR/wine-arch" ] && STORVANE_WINE_ARCH=$(cat "$BUILD_DIR/wine-arch")
export WINEARCH="$STORVANE_WINE_ARCH"
if [ "$WINEARCH" = win64 ]; then
  export WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
else
  export WINE=/usr/lib/wine/wine
  unset WINELOADER
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The users' systems run code page 936; Wine derives the ANSI code page from the locale name.
# Wine reads the locale name from LC_ALL whether or not the host has that locale installed;
# bash's own complaint about an uninstalled locale is silenced.
export LANG="${STORVANE_WINE_LANG:-zh_CN.UTF-8}" 2>/dev/null
export LC_ALL="$LANG" 2>/dev/null
