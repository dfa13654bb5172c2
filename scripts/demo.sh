#!/usr/bin/env bash
# The demo in one command: installs what is missing, builds the program in
# Release mode, prepares and starts a local PostgreSQL 15 server holding the
# directory database and two company databases, writes the sample invoices
# and starts the program against that server.
#
#   bash scripts/demo.sh          start (again: reuses the server and its data)
#   bash scripts/demo.sh --stop   stop the demo server
#
# DEMO_HOST=127.0.0.2 bash scripts/demo.sh builds the program with that
# directory host and lets the demo server listen there instead of localhost.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

PGBIN=/usr/lib/postgresql/15/bin
HOST=${DEMO_HOST:-localhost}
PORT=5432
PASSWORD=Tavo-2025-Vintra   # the default TAVO_DB_PASSWORD
BUILD=$repo/build-release
SAMPLES=$BUILD/samples

if [ "$(id -u)" -eq 0 ]; then
  STATE=/var/tmp/wimportfactvintra-demo
else
  STATE=${XDG_DATA_HOME:-$HOME/.local/share}/wimportfactvintra-demo
fi
DATA=$STATE/data

as_server_user() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
server_running() {
  [ -f "$DATA/postmaster.pid" ] && as_server_user "$PGBIN/pg_ctl" -D "$DATA" status >/dev/null 2>&1
}
psql_demo() { # database, then psql arguments
  local db=$1; shift
  as_server_user psql -X -q -v ON_ERROR_STOP=1 -h "$STATE" -p "$PORT" -U tavo -d "$db" "$@"
}

if [ "${1:-}" = "--stop-check" ]; then # exit status: whether the demo server runs
  server_running
  exit
fi

if [ "${1:-}" = "--stop" ]; then
  if server_running; then
    as_server_user "$PGBIN/pg_ctl" -D "$DATA" -m fast -w stop >/dev/null
    echo "The demo server is stopped. Its data stays in $STATE."
  else
    echo "The demo server is not running."
  fi
  exit 0
fi

bash scripts/install-deps.sh

address=$(getent ahostsv4 "$HOST" | awk 'NR==1 {print $1}')
if [ -z "$address" ]; then
  echo "The host name $HOST does not resolve to an IPv4 address." >&2
  exit 1
fi

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DTAVO_DIRECTORY_HOST="$HOST" -DTAVO_DB_PASSWORD="$PASSWORD" >/dev/null
cmake --build "$BUILD"
mkdir -p "$SAMPLES"
"$BUILD/scripts/samples/wifv_sample_invoices" "$SAMPLES"

if ! server_running; then
  if (exec 3<>"/dev/tcp/$address/$PORT") 2>/dev/null; then
    cat >&2 <<MSG
Another server already listens on $address port $PORT; the demo does not touch it.
Either stop that server (for Debian's own cluster: pg_ctlcluster 15 main stop),
or run the demo on another loopback address, for example:
    DEMO_HOST=127.0.0.2 bash scripts/demo.sh
MSG
    exit 1
  fi
  fresh=no
  if [ ! -f "$DATA/PG_VERSION" ]; then
    fresh=yes
    mkdir -p "$STATE"
    chmod 755 "$STATE"
    printf '%s\n' "$PASSWORD" >"$STATE/password"
    chmod 600 "$STATE/password"
    [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$STATE" "$STATE/password"
    as_server_user "$PGBIN/initdb" -D "$DATA" -U tavo --pwfile="$STATE/password" \
      --auth-host=scram-sha-256 --auth-local=trust -E UTF8 >"$STATE/initdb.log"
    as_server_user openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$HOST" \
      -keyout "$DATA/server.key" -out "$DATA/server.crt" >/dev/null 2>&1
    as_server_user chmod 600 "$DATA/server.key"
    as_server_user tee "$DATA/pg_hba.conf" >/dev/null <<HBA
local all all              trust
host  all all 0.0.0.0/0    scram-sha-256
HBA
  fi
  as_server_user tee "$DATA/postgresql.auto.conf" >/dev/null <<CONF
listen_addresses = '$address'
port = $PORT
unix_socket_directories = '$STATE'
ssl = on
ssl_cert_file = 'server.crt'
ssl_key_file = 'server.key'
CONF
  as_server_user "$PGBIN/pg_ctl" -D "$DATA" -l "$STATE/server.log" -w start >/dev/null
  if [ "$fresh" = yes ]; then
    psql_demo postgres -c "create database tavo_mob" -c "create database firma_demo" -c "create database firma_simpla"
    # The SQL files go in through standard input: the server's user may not
    # be able to read the clone's folder.
    psql_demo tavo_mob <"$repo/db/directory.sql"
    ana=$(printf '%s' 'ana123' | sha256sum | cut -d' ' -f1)
    psql_demo tavo_mob \
      -c "insert into m_firma values ('Firma Demo SRL', '$address', $PORT, 'firma_demo', true, false, 'HashSHA2')" \
      -c "insert into m_firma values ('Firma Simpla SRL', '$address', $PORT, 'firma_simpla', true, false, null)"
    for db in firma_demo firma_simpla; do
      cat "$repo/db/company.sql" "$repo/db/import-function.sql" | psql_demo "$db"
    done
    psql_demo firma_demo -v operator=ana -v stored_password="$ana" -v jas_ip=demo.tavo.ro:8080 \
      <"$repo/db/demo-company.sql"
    psql_demo firma_simpla -v operator=ion -v stored_password=ion123 -v jas_ip= \
      <"$repo/db/demo-company.sql"
  fi
fi

cat <<INFO
The demo server runs on $address port $PORT (data in $STATE; stop it with: bash scripts/demo.sh --stop).
Log in with:
    Company: Firma Demo SRL     UserName: ana   Password: ana123   (passwords stored as SHA-256)
    Company: Firma Simpla SRL   UserName: ion   Password: ion123   (passwords stored as typed)
Sample invoices: $SAMPLES
    factura-vintra.xlsx (imports), factura-cod-gresit.xlsx (wrong fiscal code),
    factura-fara-total.xlsx (no "Grand TOTAL" row)
Imported invoices: psql -h $STATE -p $PORT -U tavo -d firma_demo -c 'table factura_vintra'
INFO
exec "$BUILD/app/wImportFactVintra"
