#!/usr/bin/env bash
# Installs what building, running and testing need on Debian or Ubuntu, skipping what is there.
#   bash scripts/install-deps.sh          the Linux build: the program, its tests, the Debian
#                                         package and the fuzz targets
#   bash scripts/install-deps.sh --win32  the 32-bit Windows build on Linux, on its own: MinGW-w64
#                                         (i686, posix threads), what building Qt, libxlsxwriter
#                                         and libpq from Debian's sources needs (libpq's source
#                                         carries its generated files: no bison or flex), the
#                                         installer's compiler, and 32-bit Wine
set -euo pipefail
source "$(dirname "$0")/lib.sh"

linux_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  qt6-translations-l10n  # Qt's own dialogs in Chinese
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool xclip x11-utils imagemagick
  python3-pyatspi at-spi2-core dbus-daemon  # the window read as a screen reader does
  fonts-wqy-microhei
  clang-format clang-tidy
  clang libclang-rt-dev  # libFuzzer and the sanitizer runtimes, for scripts/fuzz.sh
  dpkg-dev desktop-file-utils
  libxlsxwriter-dev python3-openpyxl  # the journal's .xlsx export, and reading it back in tests
  poppler-utils  # pdffonts and pdftotext: a printed hand-over list's PDF read back in tests
  libpq-dev   # <libpq-fe.h>; the program loads libpq itself when a station joins a database
  postgresql  # the shared batches' tests run against a server of their own (pg_server.sh)
)

win32_packages=(
  cmake ninja-build make perl python3 g++ dpkg-dev xz-utils zip
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  libgtest-dev libgmock-dev
  imagemagick  # the program's .ico, made from its PNGs
  nsis         # makensis, for the installer
  python3-pefile  # reads the built files' version resources and icons back
  python3-openpyxl  # reads the journal's .xlsx export back
  qttranslations5-l10n  # Qt 5.15's Chinese for its own dialogs, shipped beside zeld.exe
  xvfb xauth xdotool xclip x11-utils fonts-dejavu-core fonts-wqy-microhei
  wine wine32:i386 fonts-wine locales
  postgresql  # the server (and psql) the Windows program joins as a station under Wine
)

# A Chinese locale for Wine, so that a run in it shows what the system's own texts look like to a
# Chinese user (their code page is GBK).
have_zh_locale() { locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; }

case "${1:-}" in
  "")
    mapfile -t missing < <(missing_packages "${linux_packages[@]}")
    install_packages "${missing[@]}"
    ;;
  --win32)
    mapfile -t missing < <(missing_packages "${win32_packages[@]}")
    # Wine runs 32-bit programs only with the i386 architecture's packages.
    if [ ${#missing[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
      can_be_root && as_root dpkg --add-architecture i386
    fi
    install_packages "${missing[@]}"
    if ! have_zh_locale; then
      can_be_root || { say "need root or sudo to add the zh_CN.UTF-8 locale"; exit 1; }
      as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
    fi
    ;;
  *)
    echo "usage: bash scripts/install-deps.sh [--win32]" >&2
    exit 2
    ;;
esac
