#!/usr/bin/env bash
# Runs a command against a throwaway PostgreSQL 15 cluster:
#
#   bash scripts/postgres.sh COMMAND [ARGS...]
#
# The cluster lives in a new temporary folder: its data, its log and its Unix socket (no TCP
# port is opened). One empty database, tarn, is created; COMMAND runs with
# TARN_TEST_POSTGRES set to the ODBC connection string of that database (psqlODBC over the
# socket, user postgres, no password). The cluster is stopped and the folder removed when the
# command ends, whether it succeeds, fails or is interrupted; the script exits with the
# command's status. Run as root (the server then runs as the postgres user) or as any other
# user, who then owns the cluster.
set -euo pipefail

bin=/usr/lib/postgresql/15/bin
driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so
port=5432
database=tarn

if (($# == 0)); then
  echo "usage: $0 COMMAND [ARGS...]" >&2
  exit 2
fi
for needed in "$bin/initdb" "$bin/pg_ctl" "$bin/psql" "$driver"; do
  [[ -e $needed ]] || { echo "$0: $needed is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

folder=$(mktemp -d /tmp/tarn-postgres.XXXXXX)
as_owner=()
if ((EUID == 0)); then
  chown postgres: "$folder"
  as_owner=(runuser -u postgres --)
fi

cleanup() {
  "${as_owner[@]}" "$bin/pg_ctl" stop -D "$folder/data" -m immediate >/dev/null 2>&1 || true
  rm -rf "$folder"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"${as_owner[@]}" "$bin/initdb" -D "$folder/data" -U postgres --auth=trust --no-sync --encoding=UTF8 \
  --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 || { cat "$folder/initdb.log" >&2; exit 1; }
# Durability is of no use to a cluster that is thrown away; the tests open many connections.
"${as_owner[@]}" "$bin/pg_ctl" start -D "$folder/data" -l "$folder/server.log" -w -s \
  -o "-c listen_addresses='' -k $folder -p $port -c fsync=off -c synchronous_commit=off \
      -c full_page_writes=off -c max_connections=200" ||
  { cat "$folder/server.log" >&2; exit 1; }

psql() { "$bin/psql" -h "$folder" -p "$port" -U postgres -X -q -v ON_ERROR_STOP=1 "$@"; }
# The ERP schema compares text with a case-insensitive ICU collation: a server built without
# ICU cannot hold it.
if [[ $(psql -d postgres -At -c "select count(*) from pg_collation where collprovider = 'i'") == 0 ]]
then
  echo "$0: this PostgreSQL has no ICU collations" >&2
  exit 1
fi
psql -d postgres -c "create database $database"

export TARN_TEST_POSTGRES="Driver=$driver;Servername=$folder;Port=$port;Database=$database;Username=postgres"
# For scripts that reach the server with psql as well.
export TARN_POSTGRES_SOCKET_DIR=$folder TARN_POSTGRES_PORT=$port TARN_POSTGRES_DATABASE=$database
export PG_BIN=$bin
status=0
"$@" || status=$?
exit "$status"
