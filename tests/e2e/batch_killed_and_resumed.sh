#!/usr/bin/env bash
# A batch of 200 tags written through the real window at the radio's pace, as an operator does:
# 批次…, the order typed into the dialog, then tag after tag onto the reader and 写卡号. The
# program is killed (SIGKILL) at random moments, some during a write, and started again; the
# offer of the unfinished batch is taken with Return, and the operator goes on: a tag holding a
# number the journal does not show verified stays on the reader for the next press, any other
# tag is taken away. In the end every number of the range is on exactly one tag, and the journal's
# verified writes of the batch are exactly the tags' numbers. Then the bag is checked (核对) with
# one tag left out and one of another order put in. ZELD_SEED repeats a run.
set -euo pipefail
bin=$1
here=$(dirname "$0")
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/screen_reader.sh"
source "$here/batch_window.sh"
export TZ=UTC ZELD_SCREEN_SIZE=1600x900
export MF1_EMULATOR_TIMING=real

name=order-200
first=1000
count=200
kills_wanted=10
seed=${ZELD_SEED:-$((($(date +%s) * 7919 + $$) % 32768))}
echo "seed $seed (ZELD_SEED=$seed repeats this run)"
RANDOM=$seed
started_at=$(date +%s)

trap x11_end_session EXIT
# The accessibility bus is up before the program starts, so that the program joins it.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0)'
x11_start_session "$bin" 0000000000
x11_field_tool "$bin" remove >/dev/null
journal="$XDG_DATA_HOME/zeld/written-tags.csv"

# The ten-digit text of a number of the range (B4 0) from its hexadecimal.
ten_digits() { if [ -n "$1" ]; then printf '%010d' $((16#${1:2})); else echo blank; fi; }
# 1. The order, typed into the dialog 批次… opens.
open_batch

read -r -a write_xy <<<"$(hear where "push button" 写卡号)"
expect "写卡号 found on the screen" 2 "${#write_xy[@]}"

# 2. Tag after tag. `tags` keeps what each tag taken away from the reader holds.
tags=()
kills=0
kills_during_write=0
repeated_presses=0
leave_tag=no  # the tag on the reader stays for the next press
press_ready_at=0

kill_program() {
  kill -KILL "$ZELD_PID"
  wait "$ZELD_PID" 2>/dev/null || true
  ZELD_PID=
  kills=$((kills + 1))
}

# The operator's rule after a kill: a tag holding a number the journal does not show verified
# stays for the next press; any other tag is taken away (kept when it holds a number).
after_kill() {
  local held
  held=$(tag_number)
  if [ -n "$held" ] && ! verified_in_batch | grep -qx "$held"; then
    leave_tag=yes
  else
    [ -n "$held" ] && tags+=("$held")
    x11_field_tool "$bin" remove >/dev/null
    leave_tag=no
  fi
  echo "kill $kills: the tag holds '${held:-nothing}'; $( [ $leave_tag = yes ] && echo left on the reader || echo taken away)"
  restart
}

# Starts the program again, and takes the offer of the unfinished batch with Return.
restart() {
  local offer='' text='' done_count next
  x11_start_program "$bin/zeld"
  x11_await "the offer of the batch" offer_heard || true
  offer=$(other_window)
  text=$(hear dialog | sed -n 1p)
  done_count=$(verified_in_batch | wc -l)
  next=$(printf '%010d' $((first + done_count)))
  expect "the offer after kill $kills" \
    "批次 $name 还没有写完：已写 $done_count/$count 张，下一张 $next。继续写这个批次吗？" "$text"
  # Without the batch, 写卡号 would write the fields' number: nothing more is meaningful.
  [ -n "$offer" ] || expect_done
  [ "$kills" -eq 1 ] && import -window root -crop 460x390+0+0 /tmp/e2e-batch-offer.png
  xdotool windowfocus --sync "$offer" key Return
  press_ready_at=0
}

# The tags (of the run's writes) at which the program is killed, and how.
declare -A kill_at=()
while [ "${#kill_at[@]}" -lt "$kills_wanted" ]; do
  kill_at[$((RANDOM % (count - 1)))]=$((RANDOM % 3))  # 0, 1: during the write; 2: after it
done

written=0
while [ "$written" -lt "$count" ]; do
  [ "$leave_tag" = yes ] || x11_field_tool "$bin" place t5577 >/dev/null
  # A press sooner than the double-click interval after the last command is dropped.
  while [ "$(date +%s%N)" -lt "$press_ready_at" ]; do sleep 0.02; done
  before=$(line_count)
  press_at "${write_xy[@]}"
  how=${kill_at[$written]:-}
  if [ -n "$how" ] && [ "$how" -lt 2 ]; then
    unset "kill_at[$written]"
    delay=$((RANDOM % 400))
    sleep "$(printf '0.%03d' "$delay")"
    kill_program
    kills_during_write=$((kills_during_write + 1))
    echo "tag $((written + 1)): killed ${delay} ms after the press"
    after_kill
    written=$(verified_in_batch | wc -l)
    continue
  fi
  happened=$(await_write "$before")
  [ "$happened" = question ] || await_command_end
  press_ready_at=$(($(date +%s%N) + 450000000))
  case "$happened" in
    nothing)
      repeated_presses=$((repeated_presses + 1))
      leave_tag=yes
      continue
      ;;
    question)
      # Only after a write cut off before it reached a tag: the program cannot know it did not,
      # and asks about the number. The tag on the reader is blank, so writing it makes no twin.
      # (A tag the cut-off write reached holds the number, and is written again unasked.)
      held=$(tag_number)
      question=$(hear dialog | sed -n 1p)
      echo "tag $((written + 1)): asked: $question"
      if [ -n "$held" ]; then
        echo "tag $((written + 1)): FAIL: asked with $held on the reader" >&2
        exit 1
      fi
      expect "tag $((written + 1)): the number asked about is the batch's next" \
        "$(printf '%010d' $((first + written))) 已于" "${question%% 已于*} 已于"
      # Read before answered: a press sooner than the double-click interval would be dropped.
      sleep 0.5
      read -r -a xy <<<"$(hear where "push button" 仍要写入)"
      press_at "${xy[@]}"
      x11_await "the question answered" no_other_window
      happened=$(await_write "$before")
      await_command_end
      press_ready_at=$(($(date +%s%N) + 450000000))
      ;;
  esac
  held=$(tag_number)
  if [ -z "$held" ] || ! verified_in_batch | grep -qx "$held"; then
    echo "tag $((written + 1)): the write did not end verified (${held:-blank}); pressed again"
    leave_tag=yes
    continue
  fi
  if [ -n "${kill_at[$written]:-}" ]; then
    unset "kill_at[$written]"
    kill_program
    echo "tag $((written + 1)): killed after its write"
    after_kill
    written=$(verified_in_batch | wc -l)
    continue
  fi
  tags+=("$held")
  x11_field_tool "$bin" remove >/dev/null
  leave_tag=no
  written=$((written + 1))
done
await_command_end
x11_screenshot /tmp/e2e-batch-done.png

# 3. Every number of the range on exactly one tag, and the journal saying so.
echo "$count tags written in $(($(date +%s) - started_at)) s: $kills kills ($kills_during_write during a write), $repeated_presses presses again"
expected=$(for n in $(seq "$first" $((first + count - 1))); do printf '%010X\n' "$n"; done)
on_tags=$(printf '%s\n' "${tags[@]}" | LC_ALL=C sort)
expect "tags holding a number" "$count" "${#tags[@]}"
expect "numbers on two tags" "" "$(uniq -d <<<"$on_tags" | tr '\n' ' ')"
expect "the tags' numbers are the range" yes "$([ "$on_tags" = "$expected" ] && echo yes)"
expect "the journal's verified writes of the batch are the tags' numbers" yes \
  "$([ "$(verified_in_batch)" = "$on_tags" ] && echo yes)"
expect "the batch's ending line" 批次结束 "$(batch_line 批次结束)"
expect "the panel once all are written" yes \
  "$(await_status "批次 $name：已写完 $count 张")"

# 4. The bag check (核对): the tags read one by one with one of them left out of the bag and a tag
# of another order among them, then one read again. Each read says where the tag stands, and the
# one left out is named as not seen.
# The number as a bag check names it: B4, then the ten-digit number.
named() { echo "000 $(ten_digits "$1")"; }
read_line_after() { [ "$(line_count)" -gt "$1" ] && echo yes || echo no; }
# Presses 读卡号 until the read of a tag not seen before has its line in the journal.
read_press() {
  local before
  before=$(line_count)
  for _ in 1 2 3; do
    while [ "$(date +%s%N)" -lt "$press_ready_at" ]; do sleep 0.02; done
    press_at "${read_xy[@]}"
    # A read ends with its line; when none has come once the window takes presses again (a
    # while after the press), the press was dropped.
    ZELD_WAIT_LIMIT=2 x11_await_output yes read_line_after "$before" >/dev/null
    [ "$(read_line_after "$before")" = yes ] || await_command_end
    if [ "$(read_line_after "$before")" = yes ]; then
      await_command_end
      press_ready_at=$(($(date +%s%N) + 450000000))
      return
    fi
    press_ready_at=0
  done
}
foreign=$(printf '%010X' $((first + count + 500)))
missing_at=$((RANDOM % count))
bag=()
for i in "${!tags[@]}"; do
  [ "$i" -eq "$missing_at" ] || bag+=("${tags[$i]}")
done
foreign_at=$((RANDOM % ${#bag[@]}))
bag=("${bag[@]:0:foreign_at}" "$foreign" "${bag[@]:foreign_at}")
read -r -a check_xy <<<"$(hear where "check box" 核对)"
read -r -a read_xy <<<"$(hear where "push button" 读卡号)"
press_at "${check_xy[@]}"
press_ready_at=$(($(date +%s%N) + 450000000))
seen=0
for i in "${!bag[@]}"; do
  x11_field_tool "$bin" place t5577 "${bag[$i]}" >/dev/null
  read_press
  [ "${bag[$i]}" = "$foreign" ] || seen=$((seen + 1))
  strangers=
  if [ "$i" -ge "$foreign_at" ]; then strangers="，不在本批次 1 张"; fi
  if [ "$i" -eq 0 ] || [ "$i" -eq "$foreign_at" ] || [ "$i" -eq $((foreign_at + 1)) ]; then
    if [ "${bag[$i]}" = "$foreign" ]; then
      words="不在本批次：$(named "$foreign")（已核对 $seen/$count$strangers）"
    else
      words="属于本批次：第 $((16#${bag[$i]:2} - first + 1)) 张 $(named "${bag[$i]}")（已核对 $seen/$count$strangers）"
    fi
    expect "the status line after reading tag $((i + 1)) of the bag" yes "$(await_status "$words")"
  fi
done
# A tag read twice is told so, and counts once.
again=${bag[0]}
[ "$again" = "$foreign" ] && again=${bag[1]}
x11_field_tool "$bin" place t5577 "$again" >/dev/null
while [ "$(date +%s%N)" -lt "$press_ready_at" ]; do sleep 0.02; done
press_at "${read_xy[@]}"
expect "the status line after a tag read again" yes "$(await_status \
  "已核对过：第 $((16#${again:2} - first + 1)) 张 $(named "$again")（已核对 $((count - 1))/$count，不在本批次 1 张）")"
missing=${tags[$missing_at]}
expect "the panel names the tag left out" yes "$(await_status \
  "已核对 $((count - 1))/$count，不在本批次 1 张；未核对 1 张：第 $((16#${missing:2} - first + 1)) 张 $(named "$missing")")"
x11_screenshot /tmp/e2e-batch-checked.png

echo "wall time $(($(date +%s) - started_at)) s"
expect_done
