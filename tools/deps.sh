#!/usr/bin/env bash
# Installs the Debian packages the builds need, and the zh_CN.UTF-8 locale that
# gives Wine the ANSI code page 936. A machine that has everything returns at once.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils
  locales php-cli python3
  fonts-wqy-microhei imagemagick x11-apps
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
need_locale=0
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || need_locale=1

if [ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "phpswitch needs these packages and the zh_CN.UTF-8 locale. Run once as root:" >&2
  echo "  sudo make deps" >&2
  [ ${#missing[@]} -eq 0 ] || echo "  (missing: ${missing[*]})" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
