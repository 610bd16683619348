#!/usr/bin/env bash
# The 32-bit Windows program under Wine on a real X server, driven with the mouse and keyboard
# as a user would: read the tag at the emulated reader, write a number onto it with the advance
# by one, and check the fields and the tag with mf1-field.exe. Saves a screenshot after each.
# Needs the Wine set-up of scripts/win32-env.sh in the environment (scripts/test-win32.sh).
set -euo pipefail
bin=$1
export ZELD_RUNNER=wine ZELD_EXE=.exe ZELD_WAIT_LIMIT=120
source "$(dirname "$0")/../../scripts/x11-drive.sh"
shots="$bin/../screenshots"
mkdir -p "$shots"

trap x11_end_session EXIT
x11_start_session "$bin" 123456789A

source "$(dirname "$0")/expect.sh"
source "$(dirname "$0")/read_then_write.sh"

ZELD_SHOT_PREFIX=wine- read_then_write "$bin" "$shots"
echo "screenshots: $shots/wine-after-read.png $shots/wine-after-write.png"
expect_done
