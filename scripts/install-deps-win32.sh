#!/usr/bin/env bash
# Installs what the 32-bit Windows build and its tests under Wine need on Debian or Ubuntu:
# MinGW-w64 (i686, posix threads), what building Qt from Debian's source needs, and 32-bit Wine.
# Skips what is already there.
set -euo pipefail

packages=(
  cmake ninja-build make perl python3 g++ dpkg-dev xz-utils zip
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  libgtest-dev libgmock-dev
  xvfb xauth xdotool xclip x11-utils imagemagick fonts-dejavu-core fonts-wqy-microhei
  wine wine32:i386 fonts-wine locales
)

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  as_root=(false)
fi

# A Chinese locale for Wine, so that a run in it shows what the system's own texts look like to a
# Chinese user (their code page is GBK).
have_zh_locale() { locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; }

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ] && have_zh_locale; then
  exit 0
fi
if [ "${as_root[*]}" = false ]; then
  echo "install-deps-win32: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

[ ${#missing[@]} -gt 0 ] && echo "install-deps-win32: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Wine runs 32-bit programs only with the i386 architecture's packages.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ]; then
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! have_zh_locale; then
  "${as_root[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
