#!/usr/bin/env bash
# Three headless stations (support/shared_station) number one batch of 3,000 tags together
# through the tests' PostgreSQL server while this script kills stations (SIGKILL) and starts them
# again, stops one (SIGTERM: it gives its leases' rest back) and starts it again, restarts the
# server, and cuts the stations off the server for 10 s (they reach it through a relay of its
# own, tests/support/tcp_relay.py, stopped and started). Then: no number verified twice, every
# verified tag of each station's journal in the database, every lease accounted for (issued =
# written + returned + void) and the batch done. Seeded (ZELD_FAULT_SEED), the seed printed.
#   bash shared_fault_run.sh BIN_DIR PG_SERVER_DIR
set -euo pipefail
ZELD_SCRIPT=shared_fault_run
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../scripts/lib.sh"

bin=$1
pg_dir=$2
seed=${ZELD_FAULT_SEED:-$(( $(od -An -N2 -tu2 /dev/urandom) ))}
say "seed $seed (ZELD_FAULT_SEED=$seed repeats this run's choices)"
RANDOM=$seed
count=${ZELD_FAULT_TAGS:-3000}

work=$(mktemp -d "${TMPDIR:-/tmp}/zeld-fault-run.XXXXXX")
relay_pid=
declare -A runner_pid
cleanup() {
  for station in "${!runner_pid[@]}"; do
    kill "${runner_pid[$station]}" 2>/dev/null || true
    [ -f "$work/$station.pid" ] && kill -9 "$(cat "$work/$station.pid")" 2>/dev/null || true
  done
  [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  [ -n "${database:-}" ] && "$psql" "$server_url" -q -c "DROP DATABASE IF EXISTS $database WITH (FORCE)" \
    >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

server_port=$(cat "$pg_dir/port")
# A port nothing listens on now.
relay_port=
while [ -z "$relay_port" ]; do
  relay_port=$((20000 + RANDOM % 40000))
  if (exec 3<>"/dev/tcp/127.0.0.1/$relay_port") 2>/dev/null; then relay_port=; fi
done
start_relay() {
  python3 "$here/support/tcp_relay.py" "$relay_port" 127.0.0.1 "$server_port" &
  relay_pid=$!
  for _ in $(seq 50); do
    (exec 3<>"/dev/tcp/127.0.0.1/$relay_port") 2>/dev/null && return 0
    sleep 0.1
  done
  say "the relay did not start"
  exit 1
}
stop_relay() {
  kill "$relay_pid"
  wait "$relay_pid" 2>/dev/null || true
  relay_pid=
}

# The server's password for the relay's port too; a database of the run's own.
sed -e "p" -e "s/^\*:$server_port:/*:$relay_port:/" "$pg_dir/pgpass" >"$work/pgpass"
chmod 600 "$work/pgpass"
export PGPASSFILE=$work/pgpass
server_url=$(cat "$pg_dir/url")
# Debian keeps the server's programs out of PATH, as pg_server.sh finds them.
psql=$(ls -d /usr/lib/postgresql/*/bin/psql 2>/dev/null | sort -V | tail -n 1)
psql=${psql:-psql}
database=zeld_fault_$$
"$psql" "$server_url" -q -v ON_ERROR_STOP=1 -c "CREATE DATABASE $database" >/dev/null
url="postgresql://zeld@127.0.0.1:$relay_port/$database?connect_timeout=2"
start_relay

batch=$("$bin/shared_station" create "$url" "$count" $((1000 + RANDOM)))
say "batch $batch of $count tags"

# Each station runs again until it says it is done (exit 0).
run_station() {
  local station=$1 status
  mkdir -p "$work/$station"
  while :; do
    XDG_DATA_HOME=$work/$station MF1_EMULATOR_FIELD=$work/$station/field.json \
      "$bin/shared_station" run "$url" "$batch" "$station" 2>>"$work/$station.log" &
    echo $! >"$work/$station.pid"
    status=0
    wait $! || status=$?
    [ "$status" -eq 0 ] && break
    echo "exit $status" >>"$work/$station.log"
  done
  rm -f "$work/$station.pid"
}
stations=(A B C)
for station in "${stations[@]}"; do
  run_station "$station" &
  runner_pid[$station]=$!
done

running() {
  local station
  for station in "${stations[@]}"; do
    kill -0 "${runner_pid[$station]}" 2>/dev/null && return 0
  done
  return 1
}
pause() { sleep "0.$((1 + RANDOM % 4))"; }
landed=0
# Sends the signal to a station chosen at random, when it runs; counts it when it landed.
hit() {
  local station=${stations[$((RANDOM % 3))]} pid
  pid=$(cat "$work/$station.pid" 2>/dev/null) || return 0
  if kill "-$1" "$pid" 2>/dev/null; then
    landed=$((landed + 1))
    say "$1 $station"
  fi
}

for _ in 1 2 3; do pause; hit KILL; done
pause
say "the server cut away for 10 s"
stop_relay
for _ in 1 2; do sleep 2; hit KILL; done
sleep 6
start_relay
pause
say "the server restarted"
bash "$here/support/pg_server.sh" restart "$pg_dir"
pause
hit TERM
for _ in 1 2 3; do pause; hit KILL; done
say "$landed signals landed"

deadline=$((SECONDS + 240))
while running; do
  if [ $SECONDS -gt $deadline ]; then
    say "the stations did not finish in time"
    tail -n 20 "$work"/*.log >&2
    exit 1
  fi
  sleep 0.2
done
grep -h "exit\|离线\|拒收" "$work"/*.log | sort | uniq -c >&2 || true
# The faults must have met the stations at work, or the run proves nothing.
if [ "$landed" -lt 5 ]; then
  say "only $landed signals met a running station"
  exit 1
fi
if ! grep -q "离线" "$work"/*.log; then
  say "no station noticed the server cut away"
  exit 1
fi

"$bin/shared_station" check "$url" "$batch" "$work/A" "$work/B" "$work/C"
