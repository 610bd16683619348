#!/usr/bin/env bash
# The window under Wine at 96, 120, 144 and 192 dpi (100, 125, 150 and 200 % display scaling): it
# is its size at 96 dpi times the display's exact factor, not a factor rounded to a whole number
# (150 % as 200 % would make it taller than a 1366 × 768 screen). Saves a screenshot at each.
# Needs the Wine set-up of scripts/win32-env.sh in the environment (scripts/test-win32.sh).
#   scaling_under_wine.sh BIN
set -euo pipefail
bin=$1
here=$(cd "$(dirname "$0")" && pwd)
export ZELD_RUNNER=wine ZELD_EXE=.exe ZELD_WAIT_LIMIT=120 ZELD_SCREEN_SIZE=1920x1080
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
shots="$bin/../screenshots"
mkdir -p "$shots"

# Windows' display scaling, which Wine takes from the user's LogPixels.
desktop_key='HKCU\Control Panel\Desktop'
set_dpi() {
  wine reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
finish() {
  x11_end_session
  wine reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 || true
}
trap finish EXIT

# Prints the window's size in pixels at this dpi, and saves a screenshot.
window_size() {
  local dpi=$1 WIDTH HEIGHT
  set_dpi "$dpi"
  x11_start_session "$bin" 123456789A
  eval "$(xdotool getwindowgeometry --shell "$ZELD_WINDOW" | grep -E '^(WIDTH|HEIGHT)=')"
  x11_screenshot "$shots/wine-${dpi}dpi.png"
  x11_end_session
  echo "$WIDTH $HEIGHT"
}

# Within a pixel of the size at 96 dpi times dpi/96.
scaled() {
  local size=$1 dpi=$2 actual=$3
  local expected=$(( (size * dpi + 48) / 96 ))
  if [ $(( actual - expected )) -ge -1 ] && [ $(( actual - expected )) -le 1 ]; then
    echo "$expected ± 1"
  else
    echo "$actual"
  fi
}

read -r width96 height96 < <(window_size 96)
expect "the window's width at 96 dpi (the client area's)" 312 "$width96"
for dpi in 120 144 192; do
  read -r width height < <(window_size "$dpi")
  echo "at $dpi dpi: $width × $height (at 96 dpi: $width96 × $height96)"
  expect "the window's width at $dpi dpi" "$(( (312 * dpi + 48) / 96 )) ± 1" "$(scaled 312 "$dpi" "$width")"
  expect "the window's height at $dpi dpi" "$(( (height96 * dpi + 48) / 96 )) ± 1" \
    "$(scaled "$height96" "$dpi" "$height")"
done
echo "screenshots: $shots/wine-{96,120,144,192}dpi.png"
expect_done
