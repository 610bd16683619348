#!/usr/bin/env bash
# The real program on a real X server (Xvfb, the xcb platform), driven with the mouse and
# keyboard as a user would: read the tag at the emulated reader, then write a number onto it with
# the advance by one, and check the fields and the tag; then a double-click, and clicks made while
# the library is held up, each number one tag only; Enter held down on the write button, then
# pressed again on the tag it wrote. The emulated reader takes the radio's time.
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
x11_ready_for_press
xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click --repeat 2 --delay 120 1
# The field is copied only once the window takes input again, after every write that the
# clicks began: the tag and the beeps are final by then.
expect "txtIDB3B0 after a double-click" 0000000002 "$(x11_field_text txtIDB3B0)"
expect "the tag after a double-click" "Number: 1200000001 (hexadecimal, B4 first)" \
  "$("$bin/mf1-field" show | grep '^Number:')"
expect "beeps after a double-click" 3 "$("$bin/mf1-field" beeps)"

# Clicks made while the library is held up (its field locked by another process) start nothing
# once it answers. The lock is held until the clicks are made, however long they take; they are
# spaced as a user's.
"$bin/mf1-field" place t5577 >/dev/null
x11_ready_for_press
exec {field_lock}>"$MF1_EMULATOR_FIELD.lock"
flock "$field_lock"
for _ in 1 2 3 4; do
  xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click 1
  sleep 0.3
done
exec {field_lock}>&-
expect "txtIDB3B0 after clicks while blocked" 0000000003 "$(x11_field_text txtIDB3B0)"
expect "the tag after clicks while blocked" "Number: 1200000002 (hexadecimal, B4 first)" \
  "$("$bin/mf1-field" show | grep '^Number:')"
expect "beeps after clicks while blocked" 4 "$("$bin/mf1-field" beeps)"

# Enter held down on 写卡号 writes one tag: the X server repeats the key, the program presses
# once. The journal's outcome lines are those that are not the start line before a write.
journal="$XDG_DATA_HOME/zeld/written-tags.csv"
outcome_lines() { awk -F, 'NR > 1 && NF >= 10 && $2 != "正在写卡"' "$journal" | wc -l; }
tag_number() { "$bin/mf1-field" show | grep '^Number:'; }
"$bin/mf1-field" place t5577 >/dev/null
outcomes=$(outcome_lines)
x11_ready_for_press
# Into the field before the button, then Tab: the button has the focus and is not pressed.
x11_click txtIDB4
x11_keys Tab
# The watcher is listening once it has heard a Shift (which presses nothing) go by.
xev -id "$ZELD_WINDOW" -event keyboard >"$ZELD_SCRATCH/keys" 2>&1 &
watcher=$!
watcher_hears() {
  xdotool key shift
  grep -q 'KeyRelease event' "$ZELD_SCRATCH/keys"
}
x11_await "the key watcher" watcher_hears
xdotool keydown Return
sleep 2  # held down this long
xdotool keyup Return
other_window() { xdotool search --name '^Zeld V3$' | grep -vx "$ZELD_WINDOW" | head -n1 || true; }
no_other_window() { [ -z "$(other_window)" ]; }
# A second press from the held key would have the program ask before overwriting; answered
# 不改写 here, so that what follows starts from one write. The field is copied only once the
# window takes input again: the tag, the beeps and the journal are final by then.
[ -n "$(other_window)" ] || x11_field_text txtIDB3B0 >/dev/null
held_question=$(other_window)
kill "$watcher"
repeats=$(grep -A2 'KeyPress event' "$ZELD_SCRATCH/keys" | grep -c 'Return' || true)
expect "the held Enter reached the window repeated" yes "$([ "$repeats" -ge 3 ] && echo yes)"
expect "no question after a held Enter" "" "$held_question"
if [ -n "$held_question" ]; then
  xdotool windowfocus --sync "$held_question"
  sleep 0.5  # a press in a question sooner than the double-click interval is dropped
  xdotool key Return
  x11_await "the question answered" no_other_window
fi
expect "the tag after a held Enter" "Number: 1200000003 (hexadecimal, B4 first)" "$(tag_number)"
expect "beeps after a held Enter" 5 "$("$bin/mf1-field" beeps)"
expect "outcome lines after a held Enter" $((outcomes + 1)) "$(outcome_lines)"
expect "txtIDB3B0 after a held Enter" 0000000004 "$(x11_field_text txtIDB3B0)"

# Enter again on the same tag, after the double-click interval: the tag holds a number this
# program wrote, so it asks first, and Enter answers 不改写.
x11_ready_for_press
x11_click txtIDB4
x11_keys Tab
lines=$(wc -l <"$journal")
x11_keys Return
question_asked() { [ -n "$(other_window)" ]; }
x11_await "the question before overwriting" question_asked || true
question=$(other_window)
expect "a question before overwriting" yes "$([ -n "$question" ] && echo yes)"
if [ -n "${ZELD_SHOTS:-}" ]; then
  import -window root "$ZELD_SHOTS/question-before-overwriting.png"
fi
if [ -n "$question" ]; then
  # As a window manager gives a new dialog the focus; Xvfb has none.
  xdotool windowfocus --sync "$question"
  sleep 0.5  # a press in a question sooner than the double-click interval is dropped
  xdotool key Return
  x11_await "the question answered" no_other_window || true
fi
expect "the question answered" "" "$(other_window)"
expect "txtIDB3B0 after 不改写" 0000000004 "$(x11_field_text txtIDB3B0)"
expect "the tag after 不改写" "Number: 1200000003 (hexadecimal, B4 first)" "$(tag_number)"
expect "journal lines after 不改写" "$lines" "$(wc -l <"$journal")"
expect "beeps after 不改写" 5 "$("$bin/mf1-field" beeps)"
expect_done
