#!/usr/bin/env bash
# Builds the 32-bit Windows program and its tests on Linux (scripts/build-win32.sh) and runs every
# suite under Wine on a virtual X server: the logic, the window (QtTest), the DLL's exports and the
# files' version resources, a run in a Chinese locale, the window at four display scalings, libpq.dll
# against a real PostgreSQL server, the program itself driven with the mouse, from the build, from
# the portable folder (alone and as a station of a shared batch) and installed by the installer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build-win32.sh
ZELD_QT_WIN32=$(bash scripts/build-qt-win32.sh)
export ZELD_QT_WIN32
# libxlsxwriter (and its zlib) for Windows, built once into the same cache.
ZELD_XLSXWRITER_WIN32=$(bash scripts/build-xlsxwriter-win32.sh)
export ZELD_XLSXWRITER_WIN32
# libpq.dll, PostgreSQL's client library, built once into the same cache.
ZELD_LIBPQ_WIN32=$(bash scripts/build-libpq-win32.sh)
export ZELD_LIBPQ_WIN32
source scripts/win32-env.sh
source scripts/x11-drive.sh

# Wine needs an X display, even for Qt's offscreen platform. The tests that connect to a database
# get a PostgreSQL server of their own (tests/support/pg_server.sh), its password file by the path
# a Windows program knows it by.
pg_server=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  x11_stop_virtual_screen
  bash tests/support/pg_server.sh stop "$pg_server"
}
trap cleanup EXIT
x11_start_virtual_screen
zeld_setup_wine
bash tests/support/pg_server.sh start "$pg_server"

echo "== win32 tests (under Wine)"
ZELD_TEST_POSTGRES_URL=$(cat "$pg_server/url") PGPASSFILE=$(winepath -w "$pg_server/pgpass") \
  ctest --preset win32 -j "$(nproc 2>/dev/null || echo 2)"

# The portable folder as a user gets it: everything it needs is in it, nothing on a search path.
echo "== the portable folder, driven with the mouse (under Wine)"
dist=$(find "$PWD/build/win32-dist" -mindepth 1 -maxdepth 1 -type d -name 'zeld-*-win32')
WINEPATH= bash tests/e2e/window_under_wine.sh "$dist"
echo "== the portable folder as a station of a shared batch (under Wine)"
WINEPATH= bash tests/e2e/shared_under_wine.sh "$dist" "$PWD/build/win32/bin"

echo "== the installer: install, use and uninstall, silently (under Wine)"
bash tests/e2e/installer_under_wine.sh "$dist-setup.exe" "$dist" "$PWD/build/win32/bin"
