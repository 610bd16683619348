#!/usr/bin/env bash
# A batch of 200 tags written hands-free (自动写卡) through the real window at the radio's pace:
# the order typed into the dialog 批次… opens, 自动写卡 ticked with a click, and an operator's hand
# that lays a blank on the reader, takes it away once the reader beeps and lays the next. Ten
# tags that are not blanks lie among them (a number this batch wrote, a number of no one's, a
# read-only tag, a password-protected one), each a second: none is written or beeped for, and the
# skip is heard. Near the middle the program is killed (SIGKILL) at a random moment, started
# again and the offer of the batch taken with Return; the tag the kill left is settled with a
# press of 写卡号, as a batch is written without 自动写卡, and 自动写卡 ticked again. In the end
# every number of the range is on exactly one tag, the journal's verified writes of the batch are
# the tags' numbers, the panel says the batch is written and 自动写卡 went off by itself.
# ZELD_SEED repeats a run.
set -euo pipefail
bin=$1
here=$(dirname "$0")
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/screen_reader.sh"
source "$here/batch_window.sh"
export TZ=UTC ZELD_SCREEN_SIZE=1600x900
export MF1_EMULATOR_TIMING=real

name=hands-free-200
first=5000
count=200
foreign_wanted=10
seed=${ZELD_SEED:-$((($(date +%s) * 7919 + $$) % 32768))}
echo "seed $seed (ZELD_SEED=$seed repeats this run)"
RANDOM=$seed
now_ms() { echo $(($(date +%s%N) / 1000000)); }

trap x11_end_session EXIT
# The accessibility bus is up before the program starts, so that the program joins it.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0)'
x11_start_session "$bin" 0000000000
x11_field_tool "$bin" remove >/dev/null
journal="$XDG_DATA_HOME/zeld/written-tags.csv"

beeps() { x11_field_tool "$bin" beeps; }
# The tag at the reader, its kind and memory, as `mf1-field show` prints them without the
# field's own lines (its file, the chip selected, the beeps).
tag_memory() { x11_field_tool "$bin" show | grep -v -e '^Field file:' -e '^Chip selected' -e '^Beeps:'; }
auto_write() { hear checked "check box" 自动写卡; }
# The number as the status line names it in the batch's notation: B4, then the ten-digit number.
named() { printf '%03d %010d' $((16#${1:0:2})) $((16#${1:2})); }

# Ticks 自动写卡 with a real click, a blank at the reader (the bag's blank, as the window learns
# it), and waits until it is on.
start_hands_free() {
  local xy
  read -r -a xy <<<"$(hear where "check box" 自动写卡)"
  expect "自动写卡 found on the screen" 2 "${#xy[@]}"
  press_at "${xy[@]}"
  [ "$(x11_await_output yes auto_write)" = yes ] && return
  expect "自动写卡 ticked by the click" yes "$(auto_write)"
  hear status | sed 's/^/  status: /'
  expect_done
}

# 1. The order, and 自动写卡 on.
open_batch
read -r -a write_xy <<<"$(hear where "push button" 写卡号)"
expect "写卡号 found on the screen" 2 "${#write_xy[@]}"

# 2. The hand. `tags` keeps the number of each tag taken away after its beep.
tags=()
to_beep=()  # ms from a blank laid (or 自动写卡 ticked) to its beep
heard_skips=0
# Before the blank for tag k is laid, a tag that is not a blank is (foreign_at[k] its kind): no
# sooner than the second, so that a number of the batch is there to lay.
declare -A foreign_at=()
while [ "${#foreign_at[@]}" -lt "$foreign_wanted" ]; do
  k=$((1 + RANDOM % (count - 1)))
  [ -n "${foreign_at[$k]:-}" ] || foreign_at[$k]=$((${#foreign_at[@]} % 4))
done
# The kill: while tag kill_at is being laid, kill_delay ms after the blank is on the reader.
kill_at=$((count / 2 - 10 + RANDOM % 21))
kill_delay=$((RANDOM % 600))
restart_ms=0

# Lays a tag that is not a blank for a second: its memory and the beep count stay as they were,
# and the status line, when heard meanwhile, says it is skipped and names it.
lay_foreign() {
  local kind=$1 number what before beeps_before deadline heard
  local stranger=$((first + count + 1000 + RANDOM))
  number=$(printf '%010X' "$stranger")
  case "$kind" in
    0)
      number=${tags[RANDOM % ${#tags[@]}]}
      what="T5577 holding a number of this batch"
      x11_field_tool "$bin" place t5577 "$number" >/dev/null
      ;;
    1)
      what="T5577 holding a number of no one's"
      x11_field_tool "$bin" place t5577 "$number" >/dev/null
      ;;
    2)
      what="read-only EM4100"
      x11_field_tool "$bin" place em4100 "$number" >/dev/null
      ;;
    3)
      what="password-protected T5577"
      x11_field_tool "$bin" place t5577 "$number" --password-locked >/dev/null
      ;;
  esac
  before=$(tag_memory)
  beeps_before=$(beeps)
  deadline=$(($(now_ms) + 1000))
  heard=
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ -n "$heard" ] || heard=$(hear status | grep -F '此卡不是空白卡' || true)
    sleep 0.05
  done
  expect "before tag $((${#tags[@]} + 1)): the $what $number is left as it was" yes \
    "$([ "$(tag_memory)" = "$before" ] && echo yes)"
  expect "before tag $((${#tags[@]} + 1)): no beep for the $what" "$beeps_before" "$(beeps)"
  if [ -n "$heard" ]; then
    heard_skips=$((heard_skips + 1))
    expect "the skip heard names the $what" yes \
      "$(grep -qF "此卡不是空白卡：$(named "$number")" <<<"$heard" && echo yes)"
  fi
  x11_field_tool "$bin" remove >/dev/null
  sleep 0.4
}

# Lays a blank, ticks 自动写卡 when asked to ("tick"), waits for the beep, and takes the tag away.
lay_blank() {
  local before deadline laid
  before=$(beeps)
  x11_field_tool "$bin" place t5577 >/dev/null
  [ "${1:-}" != tick ] || start_hands_free
  laid=$(now_ms)
  deadline=$(($(now_ms) + ZELD_WAIT_LIMIT * 1000))
  while [ "$(beeps)" -le "$before" ]; do
    if [ "$(now_ms)" -gt "$deadline" ]; then
      echo "FAIL: tag $((${#tags[@]} + 1)): no beep within $ZELD_WAIT_LIMIT s of laying a blank" \
        "(自动写卡 $(auto_write)); the tag: $(tag_number)"
      hear status | sed 's/^/  status: /'
      exit 1
    fi
    sleep 0.02
  done
  to_beep+=($(($(now_ms) - laid)))
  tags+=("$(tag_number)")
  x11_field_tool "$bin" remove >/dev/null
  sleep 0.4
}

# A press of 写卡号 with the tag the kill left, answered as a batch operator does, until the tag
# holds a verified number of the batch. A write the kill cut off before it reached the tag asks
# about its number (the program cannot know it did not): the tag is blank, so 仍要写入.
press_until_verified() {
  local before happened held question xy
  for _ in 1 2 3; do
    before=$(line_count)
    press_at "${write_xy[@]}"
    happened=$(await_write "$before")
    echo "after the kill: 写卡号 pressed: $happened"
    if [ "$happened" = question ]; then
      question=$(hear dialog | sed -n 1p)
      echo "after the kill: asked: $question"
      expect "after the kill: asked with a blank at the reader" "" "$(tag_number)"
      expect "after the kill: the number asked about is the batch's next" \
        "$(printf '%010d' $((first + ${#tags[@]}))) 已于" "${question%% 已于*} 已于"
      # A press sooner than the double-click interval would be dropped.
      sleep 0.5
      read -r -a xy <<<"$(hear where "push button" 仍要写入)"
      press_at "${xy[@]}"
      x11_await "the question answered" no_other_window
      await_write "$before" >/dev/null
    fi
    await_command_end
    held=$(tag_number)
    [ -n "$held" ] && verified_in_batch | grep -qx "$held" && return
  done
  echo "FAIL: after the kill: three presses of 写卡号 left the tag holding '${held:-nothing}'"
  hear status | sed 's/^/  status: /'
  exit 1
}

# Kills the program with a blank laid kill_delay ms before, starts it again, takes the offer,
# settles the tag the kill left and ticks 自动写卡 again.
kill_and_resume() {
  local started held offer='' text='' done_count
  started=$(now_ms)
  x11_field_tool "$bin" place t5577 >/dev/null
  sleep "$(printf '0.%03d' "$kill_delay")"
  kill -KILL "$ZELD_PID"
  wait "$ZELD_PID" 2>/dev/null || true
  held=$(tag_number)
  echo "tag $((${#tags[@]} + 1)): killed ${kill_delay} ms after laying it; it holds '${held:-nothing}'"
  x11_start_program "$bin/zeld"
  x11_await "the offer of the batch" offer_heard || true
  offer=$(other_window)
  text=$(hear dialog | sed -n 1p)
  done_count=$(verified_in_batch | wc -l)
  expect "the offer after the kill" \
    "批次 $name 还没有写完：已写 $done_count/$count 张，下一张 $(printf '%010d' $((first + done_count)))。继续写这个批次吗？" \
    "$text"
  [ -n "$offer" ] || expect_done
  xdotool windowfocus --sync "$offer" key Return
  x11_await "the offer answered" no_other_window
  expect "自动写卡 after the restart" no "$(auto_write)"
  if [ -z "$held" ] || ! verified_in_batch | grep -qx "$held"; then
    press_until_verified
    held=$(tag_number)
  else
    echo "after the kill: the tag's write is verified in the journal: taken away"
  fi
  tags+=("$held")
  x11_field_tool "$bin" remove >/dev/null
  # A click sooner than the double-click interval after the press would be dropped.
  sleep 0.5
  lay_blank tick
  restart_ms=$(($(now_ms) - started))
}

hand_started=$(now_ms)
lay_blank tick
while [ "${#tags[@]}" -lt "$count" ]; do
  k=${#tags[@]}
  if [ "$k" -eq 50 ]; then
    x11_screenshot /tmp/e2e-hands-free-running.png
    status=$(hear status)
    expect "the status line while writing hands-free" yes "$(grep -q '^自动写卡中' <<<"$status" && echo yes)"
  fi
  if [ -n "${foreign_at[$k]:-}" ]; then
    lay_foreign "${foreign_at[$k]}"
    unset "foreign_at[$k]"
  fi
  if [ "$k" -eq "$kill_at" ]; then
    kill_and_resume
  else
    lay_blank
  fi
done
hand_ms=$(($(now_ms) - hand_started))
echo "$count tags in $((hand_ms / 1000)) s, the restart $((restart_ms / 1000)) s of it:" \
  "$((count * 60000 / (hand_ms - restart_ms))) tags a minute without the restart"
sorted_to_beep=$(printf '%s\n' "${to_beep[@]}" | sort -n)
echo "a blank laid to its beep: median $(sed -n "$(((${#to_beep[@]} + 1) / 2))p" <<<"$sorted_to_beep") ms," \
  "longest $(tail -n1 <<<"$sorted_to_beep") ms"

# 3. Every number of the range on exactly one tag, and the journal and the window saying so.
expected=$(for n in $(seq "$first" $((first + count - 1))); do printf '%010X\n' "$n"; done)
on_tags=$(printf '%s\n' "${tags[@]}" | LC_ALL=C sort)
expect "numbers on two tags" "" "$(uniq -d <<<"$on_tags" | tr '\n' ' ')"
expect "the tags' numbers are the range" yes "$([ "$on_tags" = "$expected" ] && echo yes)"
expect "the journal's verified writes of the batch are the tags' numbers" yes \
  "$([ "$(verified_in_batch)" = "$on_tags" ] && echo yes)"
echo "the skip heard for $heard_skips of the $foreign_wanted tags that are not blanks"
expect "a skip heard" yes "$([ "$heard_skips" -ge 1 ] && echo yes)"
expect "the batch's ending line" 批次结束 "$(batch_line 批次结束)"
expect "the panel once all are written" yes "$(await_status "批次 $name：已写完 $count 张")"
expect "自动写卡 once the batch is written" no "$(auto_write)"
x11_screenshot /tmp/e2e-hands-free-done.png
expect_done
