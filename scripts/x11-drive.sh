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
  for _ in $(seq 100); do
    [ -s "$displayfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$displayfile" ]; then
    echo "x11-drive: Xvfb did not start" >&2
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

# Starts the program and waits for its window. Sets ZELD_PID and ZELD_WINDOW.
x11_start_program() {
  "$@" >"${ZELD_LOG:-/dev/null}" 2>&1 &
  ZELD_PID=$!
  ZELD_WINDOW=
  for _ in $(seq "${ZELD_WINDOW_WAIT:-100}"); do
    ZELD_WINDOW=$(xdotool search --name '^Zeld V3$' 2>/dev/null | head -n1) || true
    [ -n "$ZELD_WINDOW" ] && break
    sleep 0.1
  done
  if [ -z "$ZELD_WINDOW" ]; then
    echo "x11-drive: the window did not appear" >&2
    return 1
  fi
  xdotool windowmove "$ZELD_WINDOW" 0 0
  sleep 0.3
}

x11_stop_program() {
  x11_end_process "${ZELD_PID:-}"
  ZELD_PID=
}

x11_click() {
  local xy
  read -r -a xy <<<"${ZELD_CONTROL_XY[$1]}"
  xdotool mousemove --window "$ZELD_WINDOW" "${xy[0]}" "${xy[1]}" click 1
  sleep 0.2
}

# Prints the text of a field: click into it, select all, copy, and read the clipboard.
x11_field_text() {
  x11_click "$1"
  xdotool key --window "$ZELD_WINDOW" ctrl+a ctrl+c
  sleep 0.2
  xclip -selection clipboard -o 2>/dev/null
}

# Types text into a field, replacing what it holds.
x11_type_into() {
  x11_click "$1"
  xdotool key --window "$ZELD_WINDOW" ctrl+a BackSpace
  xdotool type --window "$ZELD_WINDOW" --delay 20 "$2"
  sleep 0.2
}

x11_screenshot() {
  import -window "$ZELD_WINDOW" "$1"
}
