#!/usr/bin/env bash
# The 32-bit Windows program under Wine on a real X server, driven with the mouse and keyboard
# as a user would: read the tag at the emulated reader, write a number onto it with the advance
# by one, and check the fields and the tag with mf1-field.exe. Saves a screenshot after each.
# Needs the Wine set-up of scripts/win32-env.sh in the environment (scripts/test-win32.sh).
set -euo pipefail
bin=$1
export ZELD_RUNNER=wine ZELD_EXE=.exe ZELD_WINDOW_WAIT=600
source "$(dirname "$0")/../../scripts/x11-drive.sh"
shots="$bin/../screenshots"
mkdir -p "$shots"

trap x11_end_session EXIT
x11_start_session "$bin" 123456789A

source "$(dirname "$0")/expect.sh"

x11_click cmdIDRead
sleep 0.5
x11_screenshot "$shots/wine-after-read.png"
expect txtIDB4 018 "$(x11_field_text txtIDB4)"
expect txtIDB3B0 0878082202 "$(x11_field_text txtIDB3B0)"
expect txtIDB2 086 "$(x11_field_text txtIDB2)"
expect txtIDB1B0 30874 "$(x11_field_text txtIDB1B0)"

x11_click chkIDADD1
x11_type_into txtIDB3B0 4294967295
x11_click cmdIDWrite
sleep 0.5
x11_screenshot "$shots/wine-after-write.png"
expect "txtIDB3B0 after the write" 0000000001 "$(x11_field_text txtIDB3B0)"
expect "the tag's number" "Number: 12FFFFFFFF (hexadecimal, B4 first)" \
  "$(x11_field_tool "$bin" show | grep '^Number:')"
expect "beeps" 2 "$(x11_field_tool "$bin" beeps)"
echo "screenshots: $shots/wine-after-read.png $shots/wine-after-write.png"
expect_done
