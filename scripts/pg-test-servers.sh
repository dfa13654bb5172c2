#!/usr/bin/env bash
# Starts or stops the two throwaway PostgreSQL 15 servers that the tests use:
# one with TLS on (a self-signed certificate made here) and one with TLS off,
# both on free loopback ports, with the role tavo logging in by scram-sha-256.
#
#   pg-test-servers.sh start STATE_FILE PASSWORD
#   pg-test-servers.sh stop STATE_FILE
#
# The state file records the folder, ports and log files for the tests.
# initdb refuses to run as root, so as root the servers run as the user
# postgres (created by Debian's postgresql package).
set -euo pipefail

PGBIN=/usr/lib/postgresql/15/bin
action=${1:?start or stop}
state=${2:?state file}

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

stop_servers() {
  [ -f "$state" ] || return 0
  # shellcheck disable=SC1090
  . "$state"
  for data in "$WIFV_PG_DIR/tls" "$WIFV_PG_DIR/plain"; do
    if [ -f "$data/postmaster.pid" ]; then
      as_server_user "$PGBIN/pg_ctl" -D "$data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
  done
  case "$WIFV_PG_DIR" in
    /tmp/wifv-pgtest.*) rm -rf "$WIFV_PG_DIR" ;;
  esac
  rm -f "$state"
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 20000))
    port_in_use "$port" || { echo "$port"; return; }
  done
}

start_server() { # name ssl(on|off) -> prints the port
  local name=$1 ssl=$2 data="$dir/$1" port attempt
  as_server_user "$PGBIN/initdb" -D "$data" -U tavo --pwfile="$dir/password" \
    --auth-host=scram-sha-256 --auth-local=trust --no-locale -E UTF8 >"$dir/$name.initdb.log" 2>&1
  cat >"$data/pg_hba.conf" <<HBA
local     all all              trust
hostssl   all all 127.0.0.1/32 scram-sha-256
hostnossl all all 127.0.0.1/32 scram-sha-256
HBA
  if [ "$ssl" = on ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 3 -subj "/CN=localhost" \
      -keyout "$data/server.key" -out "$data/server.crt" >/dev/null 2>&1
    chmod 600 "$data/server.key"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$data/server.key" "$data/server.crt"
  fi
  for attempt in 1 2 3 4 5; do
    port=$(free_port)
    cat >"$data/postgresql.auto.conf" <<CONF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$dir'
ssl = $ssl
ssl_cert_file = 'server.crt'
ssl_key_file = 'server.key'
log_connections = on
log_disconnections = on
log_line_prefix = '%m [%p] db=%d '
lc_messages = 'C'
fsync = off
synchronous_commit = off
full_page_writes = off
shared_buffers = 32MB
max_connections = 40
CONF
    if as_server_user "$PGBIN/pg_ctl" -D "$data" -l "$dir/$name.log" -w -t 60 start >/dev/null 2>&1; then
      echo "$port"
      return 0
    fi
  done
  echo "could not start the $name test server; its log:" >&2
  cat "$dir/$name.log" >&2 || true
  return 1
}

case "$action" in
  start)
    password=${3:?password}
    stop_servers
    dir=$(mktemp -d /tmp/wifv-pgtest.XXXXXX)
    chmod 755 "$dir"
    printf '%s\n' "$password" >"$dir/password"
    chmod 600 "$dir/password"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir" "$dir/password"
    tls_port=$(start_server tls on)
    plain_port=$(start_server plain off)
    mkdir -p "$(dirname "$state")"
    cat >"$state" <<STATE
WIFV_PG_DIR=$dir
WIFV_PG_HOST=127.0.0.1
WIFV_PG_TLS_PORT=$tls_port
WIFV_PG_PLAIN_PORT=$plain_port
WIFV_PG_TLS_LOG=$dir/tls.log
WIFV_PG_PLAIN_LOG=$dir/plain.log
STATE
    echo "test servers: TLS on port $tls_port, no TLS on port $plain_port ($dir)"
    ;;
  stop)
    stop_servers
    ;;
  *)
    echo "usage: $0 start STATE_FILE PASSWORD | stop STATE_FILE" >&2
    exit 2
    ;;
esac
