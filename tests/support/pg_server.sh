#!/usr/bin/env bash
# A PostgreSQL server of the tests' own, in one folder:
#   pg_server.sh start DIR    a new cluster in DIR/data, its Unix socket in DIR, a free TCP port on
#                             127.0.0.1; role and database `zeld`, whose password only DIR/pgpass
#                             holds (PGPASSFILE=DIR/pgpass); the URL in DIR/url carries none. When
#                             the server's user cannot reach DIR, or a socket's path there would
#                             be too long, the cluster goes to a temporary folder (DIR/cluster)
#   pg_server.sh restart DIR  stops it and starts it again on the same data and port
#   pg_server.sh stop DIR     stops it fast and removes DIR
# The server refuses to run as root: when this runs as root, the cluster belongs to `nobody`.
set -euo pipefail
ZELD_SCRIPT=pg_server
source "$(dirname "$0")/../../scripts/lib.sh"

usage() {
  echo "usage: bash pg_server.sh start|restart|stop DIR" >&2
  exit 2
}
[ $# -eq 2 ] || usage
command=$1
dir=$(realpath -m "$2")
# Where the data and the socket are: DIR, or the temporary folder DIR/cluster names.
cluster=$dir
[ -f "$dir/cluster" ] && cluster=$(cat "$dir/cluster")
data=$cluster/data

# Debian keeps the server's programs out of PATH, under its major version; the newest wins.
server_bin() {
  local bin
  bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    say "no PostgreSQL server found under /usr/lib/postgresql (bash scripts/install-deps.sh)"
    exit 1
  fi
  echo "$bin"
}

# Runs a server program as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

server_running() { [ -f "$data/postmaster.pid" ] && as_owner "$bin/pg_ctl" status -D "$data" >/dev/null 2>&1; }

stop_server() {
  if server_running; then
    as_owner "$bin/pg_ctl" stop -D "$data" -m fast -w -t 60 >/dev/null
  fi
}

# Starts the cluster in $data, its log beside it; fails when the server does not come up.
start_server() {
  as_owner "$bin/pg_ctl" start -D "$data" -l "$cluster/server.log" -w -t 60 >/dev/null
}

# A port nothing listens on now. Another process may take it before the server does: start
# tries again with another one.
random_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
}

# Makes an empty folder for the cluster, the server's user its only one.
private_folder() {
  chmod 0700 "$1"
  if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$1"
  fi
}

start() {
  stop
  mkdir -p "$dir"
  cluster=$dir
  private_folder "$dir"
  # A socket's path has room for 107 bytes; the owner needs to reach DIR through its parents.
  if [ ${#dir} -gt 80 ] || ! as_owner test -x "$dir"; then
    cluster=$(mktemp -d "${TMPDIR:-/tmp}/zeld-pg.XXXXXX")
    private_folder "$cluster"
    echo "$cluster" >"$dir/cluster"
  fi
  data=$cluster/data

  local password superuser=postgres
  password=$(od -An -N18 -tx1 /dev/urandom | tr -d ' \n')
  local pwfile=$cluster/superuser-password
  as_owner sh -c "umask 077 && echo '$password' >'$pwfile'"
  # Peer and trust are for the superuser's set-up over the socket only, which lives in DIR
  # (mode 0700); over TCP every role gives its password.
  as_owner "$bin/initdb" -D "$data" -U "$superuser" --auth-local=trust --auth-host=scram-sha-256 \
    --pwfile="$pwfile" -E UTF8 --locale=C.UTF-8 --no-sync >"$cluster/initdb.log" 2>&1 || {
    say "initdb failed:"
    cat "$cluster/initdb.log" >&2
    exit 1
  }
  rm -f "$pwfile"

  local port attempt
  for attempt in 1 2 3 4 5; do
    port=$(random_port)
    # Nothing of the tests needs the data to survive a crash of the machine; a clean stop still
    # writes everything, so a restart keeps what was committed.
    as_owner sh -c "cat >>'$data/postgresql.conf'" <<EOF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$cluster'
fsync = off
full_page_writes = off
max_connections = 60
EOF
    if start_server; then
      break
    fi
    say "the server did not start on port $port (attempt $attempt):"
    tail -n 5 "$cluster/server.log" >&2 || true
    port=
  done
  [ -n "$port" ] || exit 1

  as_owner "$bin/psql" -h "$cluster" -p "$port" -U "$superuser" -d postgres -v ON_ERROR_STOP=1 -q \
    -c "CREATE ROLE zeld LOGIN CREATEDB PASSWORD '$password'" \
    -c "CREATE DATABASE zeld OWNER zeld" >/dev/null

  (umask 077 && echo "*:$port:*:zeld:$password" >"$dir/pgpass")
  echo "postgresql://zeld@127.0.0.1:$port/zeld" >"$dir/url"
  echo "$port" >"$dir/port"
  say "running on 127.0.0.1:$port, data in $data"
}

restart() {
  [ -d "$data" ] || { say "no server in $dir"; exit 1; }
  [ -f "$dir/port" ] || { say "no server in $dir"; exit 1; }
  stop_server
  start_server
}

stop() {
  [ -d "$dir" ] || return 0
  stop_server
  if [ "$cluster" != "$dir" ]; then
    rm -rf "$cluster"
  fi
  rm -rf "$dir"
}

bin=$(server_bin)
case "$command" in
  start) start ;;
  restart) restart ;;
  stop) stop ;;
  *) usage ;;
esac
