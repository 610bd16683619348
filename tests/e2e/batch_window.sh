# shellcheck shell=bash disable=SC2154  # bin, journal, name, first, count: set by the caller
# A batch in the real window as the end-to-end scripts drive and check it: the order typed into
# the dialog 批次… opens, presses and what the journal says of them. Source this file after
# x11-drive.sh, expect.sh and screen_reader.sh; set bin (the programs' folder), journal (the
# journal file), name, first and count (the order) before calling these.

# The number a tag at the reader sends, in hexadecimal (B4 first); nothing for a blank tag.
tag_number() {
  x11_field_tool "$bin" show | sed -n 's/^Number: \([0-9A-F]\{10\}\) .*/\1/p'
}
# The journal's lines as "结果<TAB>十六进制<TAB>核对<TAB>版本或客户号" (a batch's own lines have its
# name there), the quoted eight-digit field taken out.
journal_lines() {
  [ -f "$journal" ] || return 0
  awk 'NR > 1 {
      line = $0
      sub(/\r$/, "", line)
      gsub(/"[^"]*"/, "q", line)
      if (split(line, f, ",") == 10) print f[2] "\t" f[3] "\t" f[9] "\t" f[4]
    }' "$journal"
}
# The numbers (hexadecimal) of the batch's verified writes, sorted.
verified_in_batch() {
  journal_lines | awk -F'\t' -v result="已写卡；批次 $name" '$1 == result && $3 == "是" { print $2 }' |
    LC_ALL=C sort
}
# The batch's own line with this result (批次开始, 批次结束), if the journal has it.
batch_line() { journal_lines | awk -F'\t' -v result="$1" -v name="$name" '$1 == result && $4 == name { print $1 }'; }
line_count() { [ -f "$journal" ] && wc -l <"$journal" || echo 0; }
# The question the program asks over the window, if one is open.
other_window() { xdotool search --name '^Zeld V3$' 2>/dev/null | grep -vx "$ZELD_WINDOW" | head -n1 || true; }
no_other_window() { [ -z "$(other_window)" ]; }
# The offer of an unfinished batch at start-up, asked and heard.
offer_heard() { [ -n "$(other_window)" ] && [ -n "$(hear dialog | sed -n 1p)" ]; }

press_at() {
  xdotool mousemove "$1" "$2" mousedown 1
  xdotool mouseup 1
}

# Opens the batch: 批次…, the order typed into its dialog, and 开始 (Return); waits for the
# batch's opening line in the journal.
open_batch() {
  local xy
  read -r -a xy <<<"$(hear where "push button" 批次)"
  press_at "${xy[@]}"
  x11_await "the dialog 新批次" batch_dialog_open
  x11_focus "$(x11_visible_window '^新批次$')"
  read -r -a xy <<<"$(hear where text 名称)"
  xdotool mousemove "${xy[0]}" "${xy[1]}" click 1 key ctrl+a BackSpace type "$name"
  read -r -a xy <<<"$(hear where text 起始号码)"
  xdotool mousemove "${xy[0]}" "${xy[1]}" click 1 key ctrl+a BackSpace type "$(printf '%010d' "$first")"
  read -r -a xy <<<"$(hear where text 张数)"
  xdotool mousemove "${xy[0]}" "${xy[1]}" click 1 key ctrl+a BackSpace type "$count"
  xdotool key Return
  x11_await "the batch's opening line" batch_opened || true
  expect "the batch's opening line after 开始" "批次开始" "$(batch_line 批次开始)"
}

batch_dialog_open() { [ -n "$(hear where text 张数)" ]; }
batch_opened() { [ -n "$(batch_line 批次开始)" ]; }

# Waits until the press's write has its outcome line in the journal (the batch's name in it), a
# question is asked, or nothing has come of the press (a press dropped). Prints what happened.
# Nothing has come of it once the window has taken input sent after the press: a command runs in
# the window's own thread, so the press's write, had it begun, would have ended by then. That
# round trip (a copy out of txtIDB4) is made only when no line came for a second or two, as input
# that reaches the window during a write is told as a press dropped.
await_write() {
  local before=$1 deadline=$((SECONDS + ZELD_WAIT_LIMIT)) ask_at=$((SECONDS + 2))
  local mark="await_write $$ $RANDOM" asked=no
  while [ "$SECONDS" -lt "$deadline" ]; do
    if [ "$(line_count)" -gt "$before" ] &&
      tail -n +$((before + 1)) "$journal" | grep -q "^[^,]*,[^,]*；批次 $name,"; then
      echo written
      return
    fi
    [ -n "$(other_window)" ] && echo question && return
    if [ "$asked" = yes ] && [ "$(xclip -selection clipboard -o 2>/dev/null || true)" != "$mark" ]; then
      # Taken after the press: one more look at the journal decides.
      tail -n +$((before + 1)) "$journal" 2>/dev/null | grep -q "^[^,]*,[^,]*；批次 $name," &&
        echo written || echo nothing
      return
    fi
    if [ "$SECONDS" -ge "$ask_at" ]; then
      printf '%s' "$mark" | xclip -selection clipboard -i >/dev/null 2>&1
      x11_click txtIDB4
      x11_keys ctrl+a ctrl+c
      asked=yes
      ask_at=$((SECONDS + 3))
    fi
    sleep 0.05
  done
  echo nothing
}

# Waits until the window takes presses again: 写卡号 is greyed out while a command runs and while
# its question waits, and the screen reader's questions are answered only between commands.
await_command_end() {
  x11_await "写卡号 to take presses" write_button_enabled
}
write_button_enabled() { [ "$(hear enabled "push button" 写卡号)" = yes ]; }

# Waits until the status line (the panel's lines, the message, the indicator) has this line.
await_status() {
  local deadline=$((SECONDS + ZELD_WAIT_LIMIT)) heard
  while [ "$SECONDS" -lt "$deadline" ]; do
    heard=$(hear status)
    grep -qxF "$1" <<<"$heard" && echo yes && return
    sleep 0.2
  done
  hear status | sed 's/^/  status: /' >&2
}
