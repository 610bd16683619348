#!/usr/bin/env bash
# A station of a shared batch closed (x) while the database server is paused (SIGSTOP, as a
# server stuck or a network silently dropping packets looks to the station): the program ends
# within 3 s, what it leased and did not write stays leased to it, and its next start says so.
# The real window under Xvfb, read through AT-SPI, on a PostgreSQL server of the test's own
# (tests/support/pg_server.sh), which no other test shares while it is paused.
#   shared_close_paused.sh PROGRAM_FOLDER TESTS_FOLDER
# TESTS_FOLDER holds shared_station, which makes the batch.
set -euo pipefail
bin=$1 tests=$2
here=$(dirname "$0")
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/screen_reader.sh"
source "$here/batch_window.sh"

pg_server=$(mktemp -d)
server_processes() {
  local postmaster
  postmaster=$(head -n1 "$pg_server/data/postmaster.pid" 2>/dev/null) || return 0
  echo "$postmaster" $(pgrep -P "$postmaster" || true)
}
finish() {
  # shellcheck disable=SC2046
  kill -CONT $(server_processes) 2>/dev/null || true
  x11_end_session
  bash "$here/../support/pg_server.sh" stop "$pg_server"
}
trap finish EXIT
bash "$here/../support/pg_server.sh" start "$pg_server"
url=$(cat "$pg_server/url")
export PGPASSFILE="$pg_server/pgpass"
batch=$("$tests/shared_station" create "$url" 50 7000)
query() { psql "$url" -X -A -t -v ON_ERROR_STOP=1 -c "$1"; }

# The accessibility bus is up before the program starts, so that the program joins it.
/usr/bin/python3 -c 'import pyatspi; pyatspi.Registry.getDesktop(0)'
x11_start_session "$bin" "" --database "$url"

# The offer of the shared batch: Return joins it.
join_offered() {
  x11_await "the offer of the shared batch" offer_heard || true
  local question
  question=$(hear dialog)
  expect "the offer" "共享批次 共享测试 还没有写完" "$(grep -o '^共享批次 共享测试 还没有写完' <<<"$question" || true)"
  x11_focus "$(other_window)"
  xdotool key Return
  x11_await "the offer answered" no_other_window
}
join_offered
joined() { local heard; heard=$(hear status); grep -q '^共享批次 共享测试：' <<<"$heard"; }
x11_await "the shared batch in the window" joined || true
expect "the first number offered" 0000007000 "$(x11_field_text txtIDB3B0)"
x11_press cmdIDWrite
tag_number() { x11_field_tool "$bin" show | grep '^Number:' || true; }
expect "the tag's number" "Number: 0000001B58 (hexadecimal, B4 first)" \
  "$(x11_await_output "Number: 0000001B58 (hexadecimal, B4 first)" tag_number)"
sent() { [ "$(query "SELECT count(*) FROM outcomes WHERE verified")" = 1 ]; }
x11_await "the write in the database" sent || true
held=$(query "SELECT sum(count) - 1 FROM leases WHERE batch_id = $batch")

# The server stops answering; the station's connection stays open, as to a server stuck.
# shellcheck disable=SC2046
kill -STOP $(server_processes)
program_gone() { ! kill -0 "$ZELD_PID" 2>/dev/null || [[ $(ps -o stat= -p "$ZELD_PID") == Z* ]]; }
started=$(date +%s%N)
/usr/bin/python3 "$here/close_window.py" "$ZELD_WINDOW"
# Waited for with a limit: ended by then, or not.
limit=$((started + 3000000000))
while ! program_gone && [ "$(date +%s%N)" -lt "$limit" ]; do sleep 0.05; done
ended_ms=$((($(date +%s%N) - started) / 1000000))
echo "the program ended ${ended_ms} ms after x with the server paused"
expect "the program ended within 3 s of x, the server paused" yes "$(program_gone && echo yes || echo no)"
wait "$ZELD_PID" 2>/dev/null || true
ZELD_PID=
# shellcheck disable=SC2046
kill -CONT $(server_processes)

# What it held is its still, and the next start says so before it joins again.
expect "positions given back" 0 "$(query "SELECT count(*) FROM returned_positions WHERE batch_id = $batch")"
x11_start_program "$bin/zeld" --database "$url"
x11_await "the offer of the shared batch again" offer_heard || true
still_held="本站仍领着共享批次 共享测试 的 $held 个号码（上次关闭时没能交回）：加入后先写这些号码"
heard=$(hear status)
echo "heard on the status bar: $heard"
expect "the next start" "$still_held" "$(grep -Fx "$still_held" <<<"$heard" || true)"
join_offered
x11_await "the shared batch in the window again" joined || true
expect "the next number" 0000007001 "$(x11_field_text txtIDB3B0)"
expect_done
