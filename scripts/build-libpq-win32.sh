#!/usr/bin/env bash
# Builds libpq, PostgreSQL's client library, as libpq.dll for 32-bit Windows with MinGW-w64 (i686,
# posix threads) from Debian's postgresql-15 source, once, into the cache that holds Qt, and prints
# the folder (include/ with libpq-fe.h, postgres_ext.h and pg_config_ext.h, bin/libpq.dll, lib/
# with its import library) for ZELD_LIBPQ_WIN32. A folder whose key (the source version, this
# recipe, the compiler's version) matches is reused as it is. The cache lives in $ZELD_CACHE_DIR,
# else $XDG_CACHE_HOME/zeld, else ~/.cache/zeld.
#
# A plain build: no OpenSSL, readline, zlib, ICU, GSSAPI or LDAP, so the DLL needs nothing beyond
# Windows' own DLLs and the MinGW runtime the program ships already. Password authentication with
# scram-sha-256 works without OpenSSL (libpq carries its own SHA-256); TLS connections do not, so
# a server must accept this station without sslmode=require.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

cache_root=${ZELD_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/zeld}
jobs=$(nproc 2>/dev/null || echo 2)
recipe=1
package=postgresql-15

log() { echo "build-libpq-win32: $*" >&2; }

# Debian's source through an apt set-up of this script's own that leaves the system's alone.
apt_dir="$cache_root/apt-libpq"
debian_newest_sources "$apt_dir" "$package"
source_dir="$apt_dir/sources"
pg_version=$(debian_source_version "$apt_dir" "$package")

key=$(printf '%s\n' "$pg_version" "$recipe" "$(i686-w64-mingw32-gcc-posix -dumpversion)" |
  sha256sum | cut -c1-12)
prefix="$cache_root/libpq-${pg_version%%-*}-win32-$key"

if [ ! -f "$prefix/.complete" ]; then
  work=$(mktemp -d "$cache_root/libpq-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  log "building libpq from $package $pg_version for 32-bit Windows into $prefix (some two minutes)"
  dpkg-source -x "$source_dir/${package}_${pg_version#*:}.dsc" "$work/src" >/dev/null 2>&1
  src="$work/src"
  rm -rf "$prefix"
  mkdir -p "$prefix/include" "$prefix/bin" "$prefix/lib"

  # Other helpers share the machine's cores: the build yields to them.
  build() { nice -n 10 "$@"; }
  (cd "$src" && build ./configure --host=i686-w64-mingw32 --prefix="$prefix" \
    CC=i686-w64-mingw32-gcc-posix CFLAGS=-O2 \
    --without-openssl --without-readline --without-zlib --without-icu --without-gssapi \
    --without-ldap --without-lz4 --without-zstd --disable-nls) \
    >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
  # Only the client library: its makefile builds what it takes from src/common and src/port.
  build make -C "$src/src/interfaces/libpq" -j "$jobs" >"$work/make.log" 2>&1 ||
    { grep -m20 -B2 -A8 -E 'error|Error' "$work/make.log" >&2; exit 1; }

  cp "$src/src/interfaces/libpq/libpq.dll" "$prefix/bin/"
  cp "$src/src/interfaces/libpq/libpq.a" "$prefix/lib/libpq.dll.a"
  cp "$src/src/interfaces/libpq/libpq-fe.h" "$src/src/include/postgres_ext.h" \
    "$src/src/include/pg_config_ext.h" "$prefix/include/"
  touch "$prefix/.complete"
fi

echo "$prefix"
