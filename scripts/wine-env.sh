# Sourced by the test and run scripts and by the CTest emulator: the environment every Wine
# process of a build uses. Expects BUILD_DIR; gives each build tree a 32-bit prefix of its own.
: "${BUILD_DIR:?BUILD_DIR must be set}"
export WINEPREFIX="${STORVANE_WINEPREFIX:-$BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The users' systems run code page 936; Wine derives the ANSI code page from the locale name.
# Wine reads the locale name from LC_ALL whether or not the host has that locale installed;
# bash's own complaint about an uninstalled locale is silenced.
export LANG="${STORVANE_WINE_LANG:-zh_CN.UTF-8}" 2>/dev/null
export LC_ALL="$LANG" 2>/dev/null
