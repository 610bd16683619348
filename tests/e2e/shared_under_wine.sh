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
    "SELECT o.station FROM outcomes o JOIN leases l ON l.id = o.lease_id
     WHERE l.batch_id = $batch AND o.number = $1 AND o.verified ORDER BY o.station"
}

x11_start_session "$bin" "" --database "$url"

# The offer is a question box of its own over the window, under the same title. With the pointer
# over it, Ctrl+C copies its text, as on Windows, and Return answers its default button, 继续.
offer=
for _ in $(seq 100); do
  offer=$(xdotool search --onlyvisible --name '^Zeld V3$' 2>/dev/null | grep -vx "$ZELD_WINDOW" |
    head -n1) || true
  [ -n "$offer" ] && break
  sleep 0.1
done
if [ -z "$offer" ]; then
  expect "the offer of the shared batch" "a question box" "none"
  expect_done
fi
xdotool mousemove --window "$offer" 40 40
sleep 0.2
xdotool key ctrl+c
sleep 0.2
expect "the offer" "共享批次 共享测试 还没有写完：全部已写 0/5 张。本站（$(hostname)）加入一起写吗？" \
  "$(xclip -selection clipboard -o 2>/dev/null | grep '^共享批次')"
xdotool key Return
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^Zeld V3$' 2>/dev/null | grep -qx "$offer" || break
  sleep 0.1
done

expect txtIDB4 000 "$(x11_field_text txtIDB4)"
expect txtIDB3B0 0000007000 "$(x11_field_text txtIDB3B0)"
x11_click cmdIDWrite
sleep 0.5
x11_screenshot "$shots/wine-shared-after-write.png"
expect "the tag's number" "Number: 0000001B58 (hexadecimal, B4 first)" \
  "$(x11_field_tool "$bin" show | grep '^Number:')"

# The station sends its write as it is verified: give the server a few seconds to have it.
station=
for _ in $(seq 50); do
  station=$(verified_by 7000)
  [ -n "$station" ] && break
  sleep 0.1
done
expect "the stations that verified 7000 in the database" "$(hostname)" "$station"

# Closed as a user closes it, the window gives the numbers this station leased and did not write
# back to the others.
xdotool mousemove --window "$ZELD_WINDOW" 150 120
xdotool key alt+F4
for _ in $(seq 100); do
  kill -0 "$ZELD_PID" 2>/dev/null || break
  sleep 0.1
done
expect "the window closed" yes "$(kill -0 "$ZELD_PID" 2>/dev/null && echo no || echo yes)"
expect "positions given back" 4 "$(PGPASSFILE="$pg_server/pgpass" psql "$url" -X -A -t -c \
  "SELECT coalesce(sum(count), 0) FROM returned_positions WHERE batch_id = $batch")"
echo "screenshot: $shots/wine-shared-after-write.png"
expect_done
