#!/usr/bin/env bash
# Builds libxlsxwriter and the zlib it needs as static libraries for 32-bit Windows with
# MinGW-w64 (i686, posix threads) from Debian's sources, once, into the cache that holds Qt, and
# prints the folder (include/, lib/) for ZELD_XLSXWRITER_WIN32. A folder whose key (both source
# versions, this recipe, the compiler's version) matches is reused as it is. The cache lives in
# $ZELD_CACHE_DIR, else $XDG_CACHE_HOME/zeld, else ~/.cache/zeld.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

cache_root=${ZELD_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/zeld}
jobs=$(nproc 2>/dev/null || echo 2)
recipe=1

log() { echo "build-xlsxwriter-win32: $*" >&2; }

# Debian's sources through an apt set-up of this script's own that leaves the system's alone.
apt_dir="$cache_root/apt-xlsxwriter"
debian_newest_sources "$apt_dir" libxlsxwriter zlib
source_dir="$apt_dir/sources"
xlsx_version=$(debian_source_version "$apt_dir" libxlsxwriter)
zlib_version=$(debian_source_version "$apt_dir" zlib)

key=$(printf '%s\n' "$xlsx_version" "$zlib_version" "$recipe" "$(i686-w64-mingw32-gcc-posix -dumpversion)" |
  sha256sum | cut -c1-12)
prefix="$cache_root/xlsxwriter-${xlsx_version%%-*}-win32-$key"

if [ ! -f "$prefix/.complete" ]; then
  work=$(mktemp -d "$cache_root/xlsxwriter-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  log "building libxlsxwriter $xlsx_version and zlib $zlib_version for 32-bit Windows into $prefix"
  dpkg-source -x "$source_dir/libxlsxwriter_${xlsx_version#*:}.dsc" "$work/libxlsxwriter-src" >/dev/null 2>&1
  dpkg-source -x "$source_dir/zlib_${zlib_version#*:}.dsc" "$work/zlib-src" >/dev/null 2>&1
  zlib_src="$work/zlib-src"
  xlsx_src="$work/libxlsxwriter-src"
  rm -rf "$prefix"
  mkdir -p "$prefix/include" "$prefix/lib"

  # zlib: its library sources straight into a static library (Debian's source has no Windows
  # makefile).
  (cd "$zlib_src" &&
    for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
      inftrees trees uncompr zutil; do
      i686-w64-mingw32-gcc-posix -O2 -c "$c.c" -o "$c.o" || exit 1
    done &&
    i686-w64-mingw32-ar rcs libz.a ./*.o) >"$work/zlib.log" 2>&1 ||
    { tail -n 40 "$work/zlib.log" >&2; exit 1; }
  cp "$zlib_src/libz.a" "$prefix/lib/"
  cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$prefix/include/"

  # libxlsxwriter with its bundled minizip, static, against that zlib.
  cmake -S "$xlsx_src" -B "$work/xlsx" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/mingw-w64-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" \
    >"$work/xlsx-configure.log" 2>&1 || { tail -n 40 "$work/xlsx-configure.log" >&2; exit 1; }
  cmake --build "$work/xlsx" -j "$jobs" >"$work/xlsx-build.log" 2>&1 ||
    { grep -m20 -B2 -A8 -E 'error|Error' "$work/xlsx-build.log" >&2; exit 1; }
  cmake --install "$work/xlsx" >"$work/xlsx-install.log" 2>&1 ||
    { tail -n 40 "$work/xlsx-install.log" >&2; exit 1; }
  # Wherever the install put the library (lib/ or lib32/), the build finds it in lib/.
  find "$prefix" -name 'libxlsxwriter*.a' ! -path "$prefix/lib/*" -exec cp {} "$prefix/lib/" \;
  touch "$prefix/.complete"
fi

echo "$prefix"
