#!/usr/bin/env bash
# The real program killed (SIGKILL) at a random moment of a write at the radio's pace, then
# started again, round after round, each round on a fresh tag: whatever number a tag was left
# holding is in the journal, as a verified write or as a write begun and never ended (which the
# next start tells as interrupted).
set -euo pipefail
bin=$1
source "$(dirname "$0")/../../scripts/x11-drive.sh"

trap x11_end_session EXIT
export MF1_EMULATOR_TIMING=real
x11_start_session "$bin" 1200000000

source "$(dirname "$0")/expect.sh"

journal="$XDG_DATA_HOME/zeld/written-tags.csv"
# Whether the journal accounts for the number with this hexadecimal text: a verified outcome
# line, or, last of that number's lines, a start line with no outcome after it.
accounted_for() {
  awk -v hex="$1" '
    NR > 1 {
      line = $0
      sub(/\r$/, "", line)
      gsub(/"[^"]*"/, "q", line)  # the eight-digit number is quoted, for its comma
      if (split(line, f, ",") != 10 || f[3] != hex) next
      if (f[2] != "正在写卡" && f[9] == "是") verified = 1
      open = (f[2] == "正在写卡")
    }
    END { print verified ? "verified" : open ? "interrupted" : "missing" }' "$journal" \
    2>/dev/null || echo missing
}

rounds=9
written=0
interrupted=0
read -r -a xy <<<"${ZELD_CONTROL_XY[cmdIDWrite]}"
for round in $(seq "$rounds"); do
  x11_click chkIDADD1
  x11_type_into txtIDB3B0 $((100 + round))
  x11_field_tool "$bin" place t5577 >/dev/null
  delay=$((RANDOM % 401))
  # The button is pressed on release; xdotool's click would wait on after it.
  xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" mousedown 1
  xdotool mouseup 1
  sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
  kill -KILL "$ZELD_PID"
  wait "$ZELD_PID" 2>/dev/null || true
  ZELD_PID=
  number=$(x11_field_tool "$bin" show | sed -n 's/^Number: \([0-9A-F]\{10\}\) .*/\1/p')
  if [ -n "$number" ]; then
    written=$((written + 1))
    found=$(accounted_for "$number")
    [ "$found" = interrupted ] && interrupted=$((interrupted + 1))
    expect "round $round (killed after $delay ms): $number in the journal ($found)" yes \
      "$([ "$found" != missing ] && echo yes)"
  else
    echo "round $round (killed after $delay ms): the tag holds no number"
  fi
  x11_start_program "$bin/zeld"
done
echo "$written of $rounds tags were left holding a number, $interrupted of them with the write interrupted"
expect_done
