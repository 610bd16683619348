#!/usr/bin/env bash
# Builds the 32-bit Windows program and its tests on Linux (scripts/build-win32.sh) and runs every
# suite under Wine on a virtual X server: the logic, the window (QtTest), the DLL's exports, a run
# in a Chinese locale, and the program itself driven with the mouse.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build-win32.sh
ZELD_QT_WIN32=$(bash scripts/build-qt-win32.sh)
export ZELD_QT_WIN32
source scripts/win32-env.sh
source scripts/x11-drive.sh

# Wine needs an X display, even for Qt's offscreen platform.
cleanup() {
  wineserver -k 2>/dev/null || true
  x11_stop_virtual_screen
}
trap cleanup EXIT
x11_start_virtual_screen
zeld_setup_wine

echo "== win32 tests (under Wine)"
ctest --preset win32 -j "$(nproc 2>/dev/null || echo 2)"
