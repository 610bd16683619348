#!/usr/bin/env bash
# The real window as a screen reader hears it (AT-SPI), driven with real X input: a write cut off
# is told at start-up and in 写卡记录 as of unknown outcome; a read of its tag settles it and the
# indicator names the library at once; the next start tells the last verified write; a question
# says what waits, and the presses made while it is open are told after the answer.
set -euo pipefail
bin=$1
here=$(dirname "$0")
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/screen_reader.sh"
export TZ=UTC ZELD_SCREEN_SIZE=1600x900
nbsp=$'\u00a0'  # the status line keeps a hex number's bytes together

trap x11_end_session EXIT
# The accessibility bus is up before the program starts, so that the program joins it.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0)'
x11_start_session "$bin" 00000003B6
x11_stop_program
# The program was killed while writing 950 onto the tag on the reader.
journal="$XDG_DATA_HOME/zeld/written-tags.csv"
mkdir -p "$(dirname "$journal")"
printf '\xef\xbb\xbf时间,结果,十六进制,版本或客户号,前十位号,后八位号,芯片,保护,核对,原卡号\r\n%s\r\n' \
  '2026-12-01T10:00:00+00:00,正在写卡,00000003B6,000,0000000950,"000,00950",T5577,否,否,' >"$journal"
x11_start_program "$bin/zeld"
expect_heard "status at start" "未加载读卡器库
上次写卡被中断：0000000950 结果不明，请读卡核对" status
x11_click txtIDB4
x11_keys ctrl+j
journal_window_shown() { [ -n "$(x11_visible_window '^写卡记录')" ]; }
x11_await "写卡记录 after Ctrl+J" journal_window_shown
# Beside the main window, not over it: there is no window manager to place it.
journal_window=$(x11_visible_window '^写卡记录')
xdotool windowmove "$journal_window" 400 0
x11_await "写卡记录 beside the main window" x11_window_at "$journal_window" 400 0
expect_heard "写卡记录 row of the write cut off" "结果不明（写卡被中断）" cell 写卡记录表 0 1

x11_press cmdIDRead
expect_heard "status after reading the tag" "模拟读卡器库
已读卡，十六进制 00${nbsp}00${nbsp}00${nbsp}03${nbsp}B6；上次结果不明的写卡已核对" status
expect_heard "写卡记录 row once settled" "已写卡（结果不明，后读卡核对为此号码）" cell 写卡记录表 0 1

x11_stop_program
x11_start_program "$bin/zeld"
expect_heard "status at the next start" "未加载读卡器库
上次写卡 0000000950，2026-12-01 10:00" status

# 950 again, onto a fresh tag (the tag that holds it would be written again without a question):
# the question waits, its question on a line of its own, and clicks on 写卡号 meanwhile do nothing
# but are told once it is answered.
x11_field_tool "$bin" place t5577 >/dev/null
x11_type_into txtIDB3B0 950
x11_press cmdIDWrite
# The first write loads the library and reads the tag first: on a busy machine that takes a while.
expect_heard "the question" "0000000950 已于 2026-12-01 10:00 写过，
仍要写入吗？
仍要写入
不写入" dialog
expect_heard "status while the question waits" "模拟读卡器库
等待回答：尚未写卡" status
x11_click cmdIDWrite
x11_click cmdIDWrite
# A press in the question sooner than the double-click interval (400 ms) after it appeared is
# dropped: this one is meant to answer it.
sleep 0.5
read -r -a xy <<<"$(hear where "push button" 不写入)"
xdotool mousemove "${xy[0]}" "${xy[1]}" click 1
dropped_told() { grep -q '^未写卡.*；已忽略 2 次按键$' <<<"$(hear status)"; }
expect "status after 不改写 tells the dropped presses" yes \
  "$(x11_await "the status after 不写入" dropped_told && echo yes)"
expect_done
