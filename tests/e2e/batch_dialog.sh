#!/usr/bin/env bash
# The batch dialog and the offer of an unfinished batch through the real window, with real X
# input, read through AT-SPI: each bad input of the dialog is said beside its field and 开始
# begins nothing; a read in a batch names the tag's number; while the offer of the unfinished
# batch waits, 写卡号 (clicked, or pressed by a screen reader past the offer's modality) writes
# nothing; 继续 pressed by a screen reader continues the batch; closed unwritten, it is listed in
# the dialog beside a new one, and chosen there goes on; a range of billions checked over
# a journal of a million lines leaves the window answering, and 取消 stops the check.
# Screenshots of the dialog after an error, at 100 % and 150 %, go to ZELD_SHOTS
# (/tmp/shots-dialog).
set -euo pipefail
bin=$1
here=$(dirname "$0")
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/screen_reader.sh"
source "$here/batch_window.sh"
export TZ=UTC ZELD_SCREEN_SIZE=1280x800
shots=${ZELD_SHOTS:-/tmp/shots-dialog}
mkdir -p "$shots"

name=order-7
first=1000
count=5

trap x11_end_session EXIT
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0)'
# The tag at the reader holds 1004 (hexadecimal 3EC), not the batch's next number.
x11_start_session "$bin" 00000003EC
journal="$XDG_DATA_HOME/zeld/written-tags.csv"
dialog_window() { x11_visible_window '^新批次$'; }
dialog_gone() { [ -z "$(dialog_window)" ]; }

open_dialog() {
  local xy
  read -r -a xy <<<"$(hear where "push button" 批次)"
  press_at "${xy[@]}"
  x11_await "the dialog 新批次" batch_dialog_open
  x11_focus "$(dialog_window)"
}
# The dialog's own window, for its screenshot.
x11_screenshot_of() { import -window "$(dialog_window)" "$1"; }
# Replaces a field's text by typing, as a user does.
type_into() {
  local xy
  read -r -a xy <<<"$(hear where text "$1")"
  xdotool mousemove "${xy[0]}" "${xy[1]}" click 1 key ctrl+a BackSpace
  [ -z "$2" ] || xdotool type --delay 20 "$2"
}

# 1. Each bad input gives its words beside its field, and 开始 begins nothing.
open_dialog
type_into 名称 "$name"
type_into 张数 "$count"
bad_input() {
  local field=$1 text=$2 words=$3 heard before
  type_into "$field" "$text"
  heard=$(hear_when "$words" described text "$field")
  expect "$field '$text' said beside it" "$words" "$heard"
  before=$(line_count)
  xdotool key Return  # 开始, the default button
  # 开始 pressed: the field's words stay, the dialog with them, and the journal has no batch.
  expect "$field '$text': 开始 leaves the dialog open" yes "$(dialog_gone || echo yes)"
  expect "$field '$text': 开始 begins nothing" "$before" "$(line_count)"
  expect "$field '$text': still said after 开始" "$words" "$(hear described text "$field")"
}
bad_input 起始号码 abc "起始号码无效：前十位号须为 0~4294967295 的整数"
bad_input 起始号码 4294967296 "起始号码无效：前十位号须为 0~4294967295 的整数"
type_into 起始号码 "$(printf '%010d' "$first")"
bad_input 版本或客户号 "1 2" "版本或客户号须为 0~255 的整数"
bad_input 版本或客户号 12x "版本或客户号须为 0~255 的整数"
type_into 版本或客户号 000
bad_input 张数 5x "张数须为整数，如 500"
bad_input 张数 0 "张数须至少为 1"
x11_screenshot_of "$shots/batch-dialog-100.png"
read -r -a xy <<<"$(hear where "radio button" 八位号)"
press_at "${xy[@]}"
bad_input 起始号码 "1,2,3" "起始号码无效：后八位号的后五位须为 0~65535 的整数"
bad_input 起始号码 "12,3x" "起始号码无效：后八位号的后五位须为 0~65535 的整数"
bad_input 起始号码 01201000 "起始号码须写成 xxx,xxxxx，如 000,01000"
read -r -a xy <<<"$(hear where "radio button" 十位号)"
press_at "${xy[@]}"
type_into 起始号码 "$(printf '%010d' "$first")"
type_into 张数 "$count"
range_said() { hear dialog | grep '^将写' || true; }
expect "the range once the form is whole" "将写 $count 张：0000001000 至 0000001004" \
  "$(x11_await_output "将写 $count 张：0000001000 至 0000001004" range_said)"
xdotool key Return
x11_await "the batch's opening line" batch_opened || true
expect "the batch's opening line after 开始" "批次开始" "$(batch_line 批次开始)"
x11_await "the dialog closed" dialog_gone || true

# 2. A read in the batch names the tag's number in the batch's notation, and its hexadecimal.
await_command_end
read -r -a read_xy <<<"$(hear where "push button" 读卡号)"
read_said() { hear status | grep -o '^已读卡 000 0000001004，十六进制' || true; }
# A press sooner than the double-click interval after the dialog's is dropped: pressed again
# until the read is said.
for _ in 1 2 3; do
  press_at "${read_xy[@]}"
  [ -z "$(ZELD_WAIT_LIMIT=2 x11_await_output "已读卡 000 0000001004，十六进制" read_said)" ] || break
done
expect "a read in the batch names the tag" "已读卡 000 0000001004，十六进制" \
  "$(x11_await_output "已读卡 000 0000001004，十六进制" read_said)"

# 3. The program ends with the batch unwritten; started again, it offers the batch.
x11_stop_program
x11_field_tool "$bin" remove >/dev/null
x11_field_tool "$bin" place t5577 >/dev/null
x11_start_program "$bin/zeld"
x11_await "the offer of the batch" offer_heard || true
offer=$(other_window)
expect "the offer" "批次 $name 还没有写完：已写 0/$count 张，下一张 0000001000。继续写这个批次吗？" \
  "$(hear dialog | sed -n 1p)"
[ -n "$offer" ] || expect_done
# 写卡号 while the offer waits: clicked (the offer holds the window), then pressed by a screen
# reader (which reaches past the offer's hold): nothing is written, and the press is told.
before=$(line_count)
read -r -a write_xy <<<"$(hear where "push button" 写卡号)"
press_at "${write_xy[@]}"
hear press "push button" 写卡号 >/dev/null
dropped_said() { hear status | grep -o '^未读写卡：有未写完的批次等待回答' || true; }
expect "写卡号 pressed while the offer waits is told" "未读写卡：有未写完的批次等待回答" \
  "$(x11_await_output "未读写卡：有未写完的批次等待回答" dropped_said)"
expect "写卡号 while the offer waits writes no tag" "" "$(tag_number)"
expect "写卡号 while the offer waits journals nothing" "$before" "$(line_count)"
expect "the offer still waits" yes "$([ -n "$(other_window)" ] && echo yes)"
# 继续, as a screen reader presses it: the offer closes and the batch goes on.
expect "继续 has a screen reader's action" Press "$(hear press "push button" 继续)"
x11_await "the offer answered" no_other_window || true
expect "继续 through AT-SPI closes the offer" yes "$(no_other_window && echo yes)"
expect "继续 through AT-SPI continues the batch" yes \
  "$(await_status "批次 $name：第 1/$count 张，下一张 0000001000")"

# 4. Closed unwritten, the batch is listed in the dialog (批次…, Ctrl+B) to go on with, beside the
# form for a new one: a new batch begins from there, and the old one, chosen from the list, goes
# on where it stood.
hear press "push button" 关闭批次 >/dev/null
await_command_end
x11_keys ctrl+b
x11_await "the dialog 新批次" batch_dialog_open
x11_focus "$(dialog_window)"
listed() { hear dialog | grep -x '继续未写完的批次' || true; }
expect "Ctrl+B opens the dialog with the unfinished batch listed" 继续未写完的批次 \
  "$(x11_await_output 继续未写完的批次 listed)"
# The list is heard by the batch it shows (a combo box's name is its choice).
expect "the batch listed" "$name" "$(hear "combo box" "$name")"
old_name=$name
name=order-8
type_into 名称 "$name"
type_into 起始号码 0000002000
type_into 张数 2
xdotool key Return
x11_await "the new batch's opening line" batch_opened || true
expect "a new batch begins beside the unfinished one" "批次开始" "$(batch_line 批次开始)"
x11_await "the dialog closed" dialog_gone || true
await_command_end
hear press "push button" 关闭批次 >/dev/null
await_command_end
open_dialog
read -r -a xy <<<"$(hear where "combo box" "$name")"
press_at "${xy[@]}"  # the list opens; the newest batch first, the older one second
xdotool key --delay 50 Down Return
expect "the older batch chosen" "$old_name" \
  "$(hear_when "$old_name" "combo box" "$old_name")"
read -r -a xy <<<"$(hear where "push button" 继续)"
press_at "${xy[@]}"
x11_await "the dialog closed" dialog_gone || true
expect "继续 goes on with the older batch where it stood" yes \
  "$(await_status "批次 $old_name：第 1/$count 张，下一张 0000001000")"
name=$old_name

# 5. The dialog after an error at 150 %: no batch in the way, in a journal of its own.
x11_stop_program
export XDG_DATA_HOME="$ZELD_SCRATCH/data-150"
QT_SCALE_FACTOR=1.5 x11_start_program "$bin/zeld"
await_command_end
# Scaled, the screen reader's points are the unscaled ones: the keyboard drives the dialog (it
# opens with the focus in 名称; Tab goes 号码格式, 版本或客户号, 起始号码).
x11_keys ctrl+b
x11_await "the dialog 新批次" batch_dialog_open
x11_focus "$(dialog_window)"
xdotool type --delay 20 "$name"
xdotool key --delay 20 Tab Tab Tab ctrl+a BackSpace
xdotool type --delay 20 abc
expect "起始号码 'abc' said beside it at 150 %" "起始号码无效：前十位号须为 0~4294967295 的整数" \
  "$(hear_when "起始号码无效：前十位号须为 0~4294967295 的整数" described text 起始号码)"
xdotool key Return
x11_screenshot_of "$shots/batch-dialog-150.png"
expect "the 150 % screenshot" yes "$([ -s "$shots/batch-dialog-150.png" ] && echo yes)"

# 6. 张数 4294962296 over a journal of a million writes: the range check runs for minutes beside
# the window's thread, which answers a screen reader all the while; 取消 stops it.
x11_stop_program
export XDG_DATA_HOME="$ZELD_SCRATCH/data-big"
mkdir -p "$XDG_DATA_HOME/zeld"
journal="$XDG_DATA_HOME/zeld/written-tags.csv"
awk 'BEGIN {
  printf "\xEF\xBB\xBF时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号\r\n"
  for (i = 0; i < 1000000; i++) {
    n = 10000000 + i
    printf "2026-12-08T17:02:11+00:00,已写卡,%010X,000,%010d,\"%03d,%05d\",T5577,否,是,\r\n", n, n, int(n / 65536) % 256, n % 65536
  }
}' >"$journal"
x11_start_program "$bin/zeld"
journal_read() { hear status | grep '^上次写卡' >/dev/null; }
x11_await "the journal of a million lines read" journal_read || true
x11_keys ctrl+b
x11_await "the dialog 新批次" batch_dialog_open
x11_focus "$(dialog_window)"
xdotool type --delay 20 big-order
xdotool key --delay 20 Tab Tab Tab ctrl+a BackSpace
xdotool type --delay 20 0000005000
xdotool key --delay 20 Tab ctrl+a BackSpace
xdotool type --delay 20 4294962296
xdotool key Return
checking() { [ "$(hear enabled "push button" 开始)" = no ]; }
x11_await "the range check under way" checking || true
# Asked again and again while the check runs, the window answers each time (a window whose
# thread the check held would leave AT-SPI's call unanswered, and `hear` empty).
answers=0 slowest=0
for _ in $(seq 20); do
  started=$(date +%s%N)
  [ "$(hear focused)" = "$(printf 'push button\t取消')" ] && answers=$((answers + 1))
  took=$((($(date +%s%N) - started) / 1000000))
  [ "$took" -le "$slowest" ] || slowest=$took
done
echo "the window answered 20 screen reader questions during the check, the slowest in $slowest ms"
expect "the window answers a screen reader during the check" 20 "$answers"
expect "the check still under way after them" yes "$(checking && echo yes)"
hear press "push button" 取消 >/dev/null
cancelled() { hear dialog | grep -x '已取消核对号码：批次没有开始' >/dev/null; }
x11_await "the check cancelled" cancelled || true
expect "取消 stops the check, no batch begun" yes "$(cancelled && echo yes)"
expect "取消 leaves the dialog open" yes "$(dialog_gone || echo yes)"
expect_done
