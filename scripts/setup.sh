#!/usr/bin/env bash
# Installs what building and testing Storvane needs on Debian 12. Safe to run again: it only
# calls apt when something is missing. Both MinGW-w64 toolchains are always installed (the
# shipped i686 build must compile everywhere); the 32-bit Wine only where the host runs 32-bit
# programs, the 64-bit Wine always.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/scripts/host-arch.sh"

PACKAGES=(cmake make g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
          wine wine64 xvfb xauth fonts-wqy-microhei googletest imagemagick xdotool openssl python3
          ca-certificates curl locales clang libclang-rt-14-dev nginx tinyproxy clang-format clang-tidy)
i386=0
if host_runs_32bit; then
  i386=1
  PACKAGES+=(wine32:i386)
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

fail() { echo "setup: $*" >&2; exit 1; }

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$i386" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 || fail "could not add the i386 architecture (needed for the 32-bit Wine)"
  fi
  log=$(mktemp)
  if ! $SUDO apt-get update -qq >"$log" 2>&1; then
    tail -20 "$log" >&2; rm -f "$log"
    fail "apt-get update failed (is a Debian mirror reachable? are you root or allowed to sudo?)"
  fi
  if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" \
      >"$log" 2>&1; then
    tail -20 "$log" >&2; rm -f "$log"
    fail "apt-get install of ${missing[*]} failed (see above)"
  fi
  rm -f "$log"
fi

# Wine runs under zh_CN.UTF-8 (code page 936, as on the users' systems); without the host
# locale it cannot map Chinese file names to the Unix file system.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null || fail "locale-gen failed to generate zh_CN.UTF-8"
fi
