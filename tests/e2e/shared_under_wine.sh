#!/usr/bin/env bash
# The 32-bit Windows program under Wine as one station of a batch shared through PostgreSQL, on a
# real X server and driven as a user would: a server of its own (tests/support/pg_server.sh), a
# batch of 5 tags from 7000 made by the station without a window, a blank tag at the emulated
# reader, and the program started with --database. It offers the open batch, Return joins it, the
# fields show the batch's first number and a click on 写卡号 writes it: then the tag holds it and the
# database has the verified write from this station. Saves a screenshot after the write.
#   shared_under_wine.sh PROGRAM_FOLDER TESTS_FOLDER
# TESTS_FOLDER holds shared_station.exe. Needs the Wine set-up of scripts/win32-env.sh in the
# environment (scripts/test-win32.sh).
set -euo pipefail
bin=$1 tests=$2
here=$(dirname "$0")
export ZELD_RUNNER=wine ZELD_EXE=.exe ZELD_WAIT_LIMIT=120
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
shots="$bin/../screenshots"
mkdir -p "$shots"

pg_server=$(mktemp -d)
finish() {
  x11_end_session
  bash "$here/../support/pg_server.sh" stop "$pg_server"
}
trap finish EXIT
bash "$here/../support/pg_server.sh" start "$pg_server"
url=$(cat "$pg_server/url")
# libpq under Wine reads the password file by its Windows path; psql here by its own.
PGPASSFILE=$(winepath -w "$pg_server/pgpass")
export PGPASSFILE
batch=$(wine "$tests/shared_station.exe" create "$url" 5 7000 | tr -d '\r')

# What the database holds of a number's verified writes in the batch: the stations, one a line.
verified_by() {
  PGPASSFILE="$pg_server/pgpass" psql "$url" -X -A -t -v ON_ERROR_STOP=1 -c \
    "SELECT s.name FROM outcomes o JOIN leases l ON l.id = o.lease_id
     JOIN stations s ON s.id = o.station_id
     WHERE l.batch_id = $batch AND o.number = $1 AND o.verified ORDER BY s.name"
}

x11_start_session "$bin" "" --database "$url"

# The offer is a question box of its own over the window, under the same title. With the pointer
# over it, Ctrl+C copies its text, as on Windows, and Return answers its default button, 继续.
other_window() {
  xdotool search --onlyvisible --name '^Zeld V3$' 2>/dev/null | grep -vx "$ZELD_WINDOW" | head -n1 || true
}
offer_shown() { [ -n "$(other_window)" ]; }
x11_await "the offer of the shared batch" offer_shown || true
offer=$(other_window)
if [ -z "$offer" ]; then
  expect "the offer of the shared batch" "a question box" "none"
  expect_done
fi
mark="shared_under_wine $$"
printf '%s' "$mark" | xclip -selection clipboard -i >/dev/null 2>&1
xdotool mousemove --window "$offer" 40 40
xdotool key ctrl+c
offer_copied() { [ "$(xclip -selection clipboard -o 2>/dev/null || true)" != "$mark" ]; }
x11_await "the offer's text on the clipboard" offer_copied || true
expect "the offer" "共享批次 共享测试 还没有写完：全部已写 0/5 张。本站（$(hostname)）加入一起写吗？" \
  "$(xclip -selection clipboard -o 2>/dev/null | grep '^共享批次')"
xdotool key Return
offer_gone() { ! xdotool search --onlyvisible --name '^Zeld V3$' 2>/dev/null | grep -qx "$offer"; }
x11_await "the offer answered" offer_gone || true

expect txtIDB4 000 "$(x11_field_text txtIDB4)"
expect txtIDB3B0 0000007000 "$(x11_field_text txtIDB3B0)"
x11_press cmdIDWrite
tag_number() { x11_field_tool "$bin" show | grep '^Number:' || true; }
expect "the tag's number" "Number: 0000001B58 (hexadecimal, B4 first)" \
  "$(x11_await_output "Number: 0000001B58 (hexadecimal, B4 first)" tag_number)"
x11_ready_for_press  # the write has ended
x11_screenshot "$shots/wine-shared-after-write.png"

# The station sends its write as it is verified: the server has it a moment later.
expect "the stations that verified 7000 in the database" "$(hostname)" \
  "$(x11_await_output "$(hostname)" verified_by 7000)"

# Closed as a user closes it, the window gives the numbers this station leased and did not write
# back to the others.
xdotool mousemove --window "$ZELD_WINDOW" 150 120
xdotool key alt+F4
program_ended() { ! kill -0 "$ZELD_PID" 2>/dev/null; }
x11_await "the window to close" program_ended || true
expect "the window closed" yes "$(kill -0 "$ZELD_PID" 2>/dev/null && echo no || echo yes)"
expect "positions given back" 4 "$(PGPASSFILE="$pg_server/pgpass" psql "$url" -X -A -t -c \
  "SELECT coalesce(sum(count), 0) FROM returned_positions WHERE batch_id = $batch")"
echo "screenshot: $shots/wine-shared-after-write.png"
expect_done
