#!/usr/bin/env bash
# The real program on a real X server (Xvfb, the xcb platform), driven with the mouse and
# keyboard as a user would: read the tag at the emulated reader, then write a number onto it with
# the advance by one, and check the fields and the tag; then a double-click, and clicks made while
# the library is held up, each number one tag only. The emulated reader takes the radio's time.
set -euo pipefail
bin=$1
source "$(dirname "$0")/../../scripts/x11-drive.sh"

trap x11_end_session EXIT
# The emulated reader at the radio's pace.
export MF1_EMULATOR_TIMING=real
x11_start_session "$bin" 123456789A

source "$(dirname "$0")/expect.sh"
source "$(dirname "$0")/read_then_write.sh"

read_then_write "$bin"

x11_type_into txtIDB3B0 1

# A double-click on the write button numbers one tag, once.
"$bin/mf1-field" place t5577 >/dev/null
read -r -a xy <<<"${ZELD_CONTROL_XY[cmdIDWrite]}"
xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click --repeat 2 --delay 120 1
sleep 1
expect "the tag after a double-click" "Number: 1200000001 (hexadecimal, B4 first)" \
  "$("$bin/mf1-field" show | grep '^Number:')"
expect "beeps after a double-click" 3 "$("$bin/mf1-field" beeps)"
expect "txtIDB3B0 after a double-click" 0000000002 "$(x11_field_text txtIDB3B0)"

# Clicks made while the library is held up (its field locked by another process) start nothing
# once it answers.
"$bin/mf1-field" place t5577 >/dev/null
flock "$MF1_EMULATOR_FIELD.lock" sleep 2 &
holder=$!
sleep 0.3
for _ in 1 2 3 4; do
  xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click 1
  sleep 0.3
done
wait "$holder"
sleep 1
expect "the tag after clicks while blocked" "Number: 1200000002 (hexadecimal, B4 first)" \
  "$("$bin/mf1-field" show | grep '^Number:')"
expect "beeps after clicks while blocked" 4 "$("$bin/mf1-field" beeps)"
expect "txtIDB3B0 after clicks while blocked" 0000000003 "$(x11_field_text txtIDB3B0)"
expect_done
