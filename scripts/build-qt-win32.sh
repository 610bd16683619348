#!/usr/bin/env bash
# Builds Qt 5.15 (qtbase) and GoogleTest for 32-bit Windows with MinGW-w64 (i686, posix threads)
# from Debian's sources, once, into a cache outside the repository, and prints the cache folder.
# A cache whose key (Qt's source version, the options below, this script's recipe) matches is
# reused as it is. The cache lives in $ZELD_CACHE_DIR, else $XDG_CACHE_HOME/zeld, else ~/.cache/zeld.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

cache_root=${ZELD_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/zeld}
jobs=$(nproc 2>/dev/null || echo 2)
recipe=1

qt_options=(
  -xplatform win32-g++ -device-option CROSS_COMPILE=i686-w64-mingw32-
  -release -shared -opensource -confirm-license
  -nomake examples -nomake tests
  -no-opengl -no-dbus -no-icu -no-openssl -no-vulkan
  -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-pcre -qt-harfbuzz
  -no-feature-tabletevent -no-feature-sql -no-feature-network -no-feature-xml
  -no-feature-concurrent
)

# Qt's CROSS_COMPILE prefix names the win32-thread compilers; the program is built with the
# posix-thread ones, so Qt must be too, or the two would carry different libstdc++ runtimes.
toolbin="$cache_root/toolbin"
mkdir -p "$toolbin"
for tool in gcc g++; do
  ln -sfn "/usr/bin/i686-w64-mingw32-$tool-posix" "$toolbin/i686-w64-mingw32-$tool"
done
export PATH="$toolbin:$PATH"

# Which qtbase Debian offers, through a private apt set-up that leaves the system's alone.
apt_dir="$cache_root/apt"
debian_sources_apt "$apt_dir"
qt_version=
if [ -f "$apt_dir/version" ]; then
  qt_version=$(cat "$apt_dir/version")
fi
if [ -z "$qt_version" ]; then
  say "looking up Debian's qtbase source"
  apt-get "${apt_opts[@]}" update -qq >&2
  qt_version=$(apt-cache "${apt_opts[@]}" showsrc qtbase-opensource-src |
    sed -n 's/^Version: //p' | sort -V | tail -n1)
  [ -n "$qt_version" ] || { say "no qtbase-opensource-src source package found"; exit 1; }
  echo "$qt_version" >"$apt_dir/version"
fi

key=$(printf '%s\n' "$qt_version" "${qt_options[@]}" "$recipe" "$(i686-w64-mingw32-g++ -dumpversion)" |
  sha256sum | cut -c1-12)
prefix="$cache_root/qt-${qt_version%%+*}-win32-$key"
gtest_prefix="$prefix/googletest"

if [ ! -f "$prefix/.complete" ]; then
  work=$(mktemp -d "$cache_root/qt-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  say "building Qt $qt_version for 32-bit Windows into $prefix (about half an hour on 2 cores)"
  (cd "$work" && apt-get "${apt_opts[@]}" source -qq "qtbase-opensource-src=$qt_version" >/dev/null 2>&1) ||
    (cd "$work" && apt-get "${apt_opts[@]}" source "qtbase-opensource-src=$qt_version" >&2)
  src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qtbase*' | head -n1)
  rm -rf "$prefix"
  mkdir -p "$work/build"
  (cd "$work/build" && "$src/configure" -prefix "$prefix" "${qt_options[@]}" >"$work/configure.log" 2>&1) ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }
  (cd "$work/build" && make -s -j"$jobs" >"$work/make.log" 2>&1) ||
    { grep -m20 -B2 -A8 -E 'error|Error' "$work/make.log" >&2; exit 1; }
  (cd "$work/build" && make -s install >"$work/install.log" 2>&1) ||
    { tail -n 40 "$work/install.log" >&2; exit 1; }
  touch "$prefix/.complete"
fi

if [ ! -f "$gtest_prefix/.complete" ]; then
  say "building GoogleTest for 32-bit Windows"
  gwork=$(mktemp -d "$cache_root/gtest-build.XXXXXX")
  cmake -S /usr/src/googletest -B "$gwork" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest_prefix" \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$gwork" -j "$jobs" >/dev/null
  cmake --install "$gwork" >/dev/null
  rm -rf "$gwork"
  touch "$gtest_prefix/.complete"
fi

echo "$prefix"
