# Drives the real program on an X server as a user would: start a virtual screen, find the
# window, click its controls, read its fields through the clipboard, take a screenshot.
# Source this file; it defines functions only.

# Control centres in pixels from the window's top-left corner at 96 dpi (15 twips a pixel).
declare -A ZELD_CONTROL_XY=(
  [cmdIDRead]="80 336"  [cmdIDWrite]="220 336"
  [txtIDB4]="252 158"   [txtIDB3B0]="212 214"
  [txtIDB2]="164 270"   [txtIDB1B0]="244 270"
  [optIDWG34]="30 208"  [optIDWG26]="30 264"
  [optIDT5577]="30 44"  [optIDEM4305]="150 44"
  [chkIDADD1]="30 72"   [chkIDLOCK]="150 72"
)

# The Windows programs run under Wine: ZELD_RUNNER=wine and ZELD_EXE=.exe.
ZELD_RUNNER=${ZELD_RUNNER:-}
ZELD_EXE=${ZELD_EXE:-}

# How long a step waits for what it needs (a window, a state, a text) before it gives up:
# generous, for a slow and loaded machine; a step goes on as soon as it is there.
ZELD_WAIT_LIMIT=${ZELD_WAIT_LIMIT:-60}

# `x11_await WHAT COMMAND...` runs the command until it succeeds, up to the time limit; past it,
# says what it waited for and fails.
x11_await() {
  local what=$1 deadline=$((SECONDS + ZELD_WAIT_LIMIT))
  shift
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "x11-drive: waited ${ZELD_WAIT_LIMIT} s for $what" >&2
      return 1
    fi
    sleep 0.1
  done
}

# `x11_await_output EXPECTED COMMAND...` prints the command's output once it is EXPECTED, or what
# it printed last when the time limit passes: for `expect`, which then tells the difference.
x11_await_output() {
  local expected=$1 out deadline=$((SECONDS + ZELD_WAIT_LIMIT))
  shift
  while out=$("$@" || true); [ "$out" != "$expected" ] && [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.1
  done
  printf '%s\n' "$out"
}

# Runs the emulated reader's tool from this folder, with Unix line ends whatever it prints.
x11_field_tool() {
  local bin=$1
  shift
  $ZELD_RUNNER "$bin/mf1-field$ZELD_EXE" "$@" | tr -d '\r'
}

# Starts a session on a virtual screen: a private emulated field holding a T5577 tag with this
# number (B4..B0 in hex; a blank one when it is empty), a private data folder, Xvfb, and the
# program with the arguments that follow. `x11_end_session` undoes it all.
x11_start_session() {
  local bin=$1 number=$2
  shift 2
  unset QT_QPA_PLATFORM
  ZELD_SCRATCH=$(mktemp -d)
  export MF1_EMULATOR_FIELD="$ZELD_SCRATCH/field"
  # The journal of written tags, too, is this session's own.
  export XDG_DATA_HOME="$ZELD_SCRATCH/data" XDG_CONFIG_HOME="$ZELD_SCRATCH/config"
  if [ -n "$ZELD_RUNNER" ] && [ -n "${WINEPREFIX:-}" ]; then
    # Wine sets %LOCALAPPDATA% from its prefix, whatever the environment says: the prefix is
    # the tests' own, so its journal and settings start empty.
    rm -f "$WINEPREFIX"/drive_c/users/*/AppData/Local/zeld/{written-tags.csv,zeld.ini}
  fi
  x11_field_tool "$bin" place t5577 ${number:+"$number"} >/dev/null
  x11_start_virtual_screen
  x11_start_program $ZELD_RUNNER "$bin/zeld$ZELD_EXE" "$@"
}

x11_end_session() {
  x11_stop_program
  x11_stop_virtual_screen
  [ -n "${ZELD_SCRATCH:-}" ] && rm -rf "$ZELD_SCRATCH"
  ZELD_SCRATCH=
}

# Starts Xvfb on a free display at 96 dpi, ZELD_SCREEN_SIZE (800x600 unless set) large, and
# exports DISPLAY. Sets XVFB_PID. -noreset: the server would otherwise reset, refusing connections
# a while, whenever its last client goes, as when a test kills the program.
x11_start_virtual_screen() {
  local displayfile
  displayfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${ZELD_SCREEN_SIZE:-800x600}x24" -dpi 96 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  if ! x11_await "Xvfb to start" test -s "$displayfile"; then
    rm -f "$displayfile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$displayfile")"
  rm -f "$displayfile"
}

# Ends a process and waits (up to 5 s) until it is gone. Polls rather than `wait`s, which can
# hang inside an EXIT trap.
x11_end_process() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

x11_stop_virtual_screen() {
  x11_end_process "${XVFB_PID:-}"
  XVFB_PID=
}

# Starts the program and waits until its window is on the screen at the top-left corner with the
# keyboard's focus. Sets ZELD_PID and ZELD_WINDOW.
x11_start_program() {
  "$@" >"${ZELD_LOG:-/dev/null}" 2>&1 &
  ZELD_PID=$!
  ZELD_WINDOW=
  if ! x11_await "the window" x11_found_window; then
    return 1
  fi
  ZELD_WINDOW=$(x11_visible_window '^Zeld V3$')
  xdotool windowmove "$ZELD_WINDOW" 0 0
  x11_await "the window at the top-left corner" x11_window_at "$ZELD_WINDOW" 0 0
  [ -n "$ZELD_RUNNER" ] || x11_focus "$ZELD_WINDOW"
}
x11_found_window() { [ -n "$(x11_visible_window '^Zeld V3$')" ]; }

# The first mapped window whose title matches the pattern, if there is one.
x11_visible_window() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true
}

# Whether the window's top-left corner is at this point of the screen.
x11_window_at() {
  local X Y
  eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^[XY]=')"
  [ "${X:-}" = "$2" ] && [ "${Y:-}" = "$3" ]
}

# Gives the window the keyboard's focus, and waits until it has it.
x11_focus() {
  xdotool windowfocus --sync "$1"
}

x11_stop_program() {
  x11_end_process "${ZELD_PID:-}"
  ZELD_PID=
}

x11_click() {
  local xy
  read -r -a xy <<<"${ZELD_CONTROL_XY[$1]}"
  xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click 1
}

# Keys, as `xdotool key` names them, to the program's window. Given the focus first and sent by
# XTEST alone: `xdotool key --window` sends each event by XTEST while the window has the focus
# and by XSendEvent once it has not, so a key that moves the focus (Ctrl+J opens 写卡记录) was
# pressed in the server and released only in a message to the window: the server kept Ctrl and J
# held down and repeated them into the next window to get the focus (the next start's main
# window, which opened 写卡记录 over itself).
# Under Wine, whose windows take the focus their own way, keys still go as they always have there.
x11_keys() {
  if [ -n "$ZELD_RUNNER" ]; then
    xdotool key --window "$ZELD_WINDOW" "$@"
    return
  fi
  x11_focus "$ZELD_WINDOW"
  xdotool key --delay 20 "$@"
}
x11_type() {
  if [ -n "$ZELD_RUNNER" ]; then
    xdotool type --window "$ZELD_WINDOW" --delay 20 "$1"
    return
  fi
  x11_focus "$ZELD_WINDOW"
  xdotool type --delay 20 "$1"
}

# Presses a command button (cmdIDRead, cmdIDWrite) so that the program takes the press: once a
# round trip through the window has shown that no command runs (input that reaches the window
# during one is dropped), and the double-click interval (400 ms) has passed since the last one
# ended (a press sooner is dropped as a double-click's second).
x11_press() {
  x11_ready_for_press
  x11_click "$1"
}
# txtIDB4 is never empty: the window starts with 000 there.
x11_ready_for_press() {
  x11_field_text txtIDB4 >/dev/null
  sleep 0.5
}

# Prints the text of a field: click into it, select all, copy, and read the clipboard. The
# clipboard holds a mark first: a copy that the window dropped (a command was running) leaves
# the mark, and is made again until the time limit.
x11_field_text() {
  local mark="x11-drive mark $$ $RANDOM" text deadline=$((SECONDS + ZELD_WAIT_LIMIT)) retry_at
  while :; do
    printf '%s' "$mark" | xclip -selection clipboard -i >/dev/null 2>&1
    x11_click "$1"
    x11_keys ctrl+a ctrl+c
    retry_at=$((SECONDS + 3))
    while text=$(xclip -selection clipboard -o 2>/dev/null || true); [ "$text" = "$mark" ]; do
      [ "$SECONDS" -lt "$retry_at" ] || break
      sleep 0.05
    done
    if [ "$text" != "$mark" ]; then
      printf '%s\n' "$text"
      return 0
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "x11-drive: nothing copied from $1 in ${ZELD_WAIT_LIMIT} s" >&2
      return 0
    fi
  done
}

# Types text into a field, replacing what it holds, until the field holds it (typing that
# reached the window during a command was dropped).
x11_type_into() {
  local deadline=$((SECONDS + ZELD_WAIT_LIMIT))
  while :; do
    x11_click "$1"
    x11_keys ctrl+a BackSpace
    x11_type "$2"
    [ "$(x11_field_text "$1")" != "$2" ] || return 0
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "x11-drive: $1 did not take '$2' in ${ZELD_WAIT_LIMIT} s" >&2
      return 1
    fi
  done
}

x11_screenshot() {
  import -window "$ZELD_WINDOW" "$1"
}
