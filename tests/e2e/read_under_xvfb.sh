#!/usr/bin/env bash
# The real program on a real X server (Xvfb, the xcb platform): place a tag at the emulated
# reader, press the read button with the mouse, and check what the fields show.
set -euo pipefail
bin=$1
source "$(dirname "$0")/../../scripts/x11-drive.sh"

unset QT_QPA_PLATFORM
export MF1_EMULATOR_TAG=123456789A
trap 'x11_stop_program; x11_stop_virtual_screen' EXIT

x11_start_virtual_screen
x11_start_program "$bin/zeld"
x11_click cmdIDRead

failures=0
check() {
  local field=$1 expected=$2 actual
  actual=$(x11_field_text "$field")
  if [ "$actual" = "$expected" ]; then
    echo "ok: $field = $actual"
  else
    echo "FAIL: $field is '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
}
check txtIDB4 018
check txtIDB3B0 0878082202
check txtIDB2 086
check txtIDB1B0 30874
exit "$failures"
