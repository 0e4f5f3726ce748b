#!/usr/bin/env bash
# Installs what building and testing Storvane needs on Debian 12. Safe to run again:
# it only calls apt when something is missing.
set -euo pipefail

PACKAGES=(cmake make g++-mingw-w64-i686 mingw-w64-i686-dev wine wine32:i386 wine64 xvfb xauth
          fonts-wqy-microhei googletest imagemagick xdotool openssl python3 ca-certificates curl locales)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs under zh_CN.UTF-8 (code page 936, as on the users' systems); without the host
# locale it cannot map Chinese file names to the Unix file system.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: generating the zh_CN.UTF-8 locale"
  $SUDO sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
