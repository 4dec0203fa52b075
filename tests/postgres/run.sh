#!/usr/bin/env bash
# The PostgreSQL tests of a build, against the database TARN_TEST_POSTGRES names (an empty
# database of a server that scripts/postgres.sh started):
#   1. the database layer's contract suite (tests/contract), through psqlODBC;
#   2. the component's integration tests, each on a database of its own made from the demo
#      company (tests/kit/temporary_database.h), with the tests of the PostgreSQL schema, its
#      comparison rule, the demo functions that take a connection string, the ranked order
#      of pick-lists with its keyset paging (the same expected rows as on SQLite), and the
#      outside components' own tests (column settings, data services, row authorisation,
#      utility);
#   3. the velloc tour of README.md: the same commands answer the same on PostgreSQL as on the
#      SQLite demo database;
#   4. eight processes archiving one new value at the same moment leave exactly one row;
#   5. crafted archive tables, columns and voucher cards refused at both doors
#      (tests/serve/attack_test.py), the database unchanged;
#   6. the README's PostgreSQL lines, run as printed on a database of their own;
#   7. the service role init makes reads and archives, and can do nothing else.
#   8. velloc init on a fresh database, init --service-tables and upgrade (service_tables.sh);
#   9. velloc serve answers again after PostgreSQL is stopped and started (recovery.py);
#  10. the reasons of validations and refused references at both doors (reasons_test.py);
#  11. the plans of pick-lists: the trigram indexes and the small item beside a large one
#      (pick_list_plans.sh);
#  12. what a connection sends PostgreSQL: a text run directly the first time and prepared from
#      its second run on, the setting of custom plans (tests/contract/postgres_*_test.cpp), and
#      the statements of one `velloc validate` process (validation_statements.sh).
# Runs every part and exits non-zero when any failed.
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
: "${TARN_TEST_POSTGRES:?run through scripts/test-postgres.sh}"

failed=()
part() {
  local name=$1
  shift
  echo "== $name"
  "$@" || failed+=("$name")
}

part "contract suite" ctest --test-dir "$build" --output-on-failure -j2 --no-tests=error \
  -R 'ContractTest\..*PostgreSqlOdbc'

part "component integration tests" ctest --test-dir "$build" --output-on-failure -j2 \
  --no-tests=error -R '^(ColumnSettings|Component(Lifecycle|Reference|Validation)|DataService|DbPostgresSchema|ErpDemoDatabaseAt|RankedPickList|RowAuthorisation|ServiceTables|Utility)Test\.'
# The tour and the archiving processes share a database of their own, which the tour fills.
tour_database() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_tour" &&
    TARN_TEST_POSTGRES=${TARN_TEST_POSTGRES/Database=$TARN_POSTGRES_DATABASE;/Database=tarn_tour;}
}
if part "a database for the tour" tour_database; then
  part "velloc tour" bash "$here/tour.sh" "$build/bin/velloc"
  part "concurrent archiving" bash "$here/concurrent_archive.sh" "$build/bin/velloc"
  part "crafted names at both doors" /usr/bin/python3 "$here/../serve/attack_test.py" \
    "$build/bin/velloc" --conn "$TARN_TEST_POSTGRES"
fi

# The README's PostgreSQL example as printed: only the connection string of its export line
# becomes this cluster's; the velloc of the build is the one on PATH.
readme_example() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_readme" || return 1
  local connection
  connection=$(sed 's/Database=[^;]*;/Database=tarn_readme;/' <<<"$TARN_TEST_POSTGRES")
  local lines
  lines=$(awk '/^## PostgreSQL/ { section = 1 } section && /^```sh/ { inside = 1; next }
               inside && /^```/ { exit } inside' "$here/../../README.md")
  [[ $lines == *"export VELLOC_CONN="* ]] || { echo "no example in the README"; return 1; }
  lines=$(sed "s|^export VELLOC_CONN=.*|export VELLOC_CONN='$connection'|" <<<"$lines")
  local out
  out=$(PATH="$build/bin:$PATH" bash -euo pipefail -c "$lines" 2>&1)
  local status=$?
  echo "$out"
  ((status == 0)) && [[ $out == *华东区* ]]
}
part "the README's PostgreSQL example" readme_example

service_role() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_role" || return 1
  bash "$here/service_role.sh" "$build/bin/velloc" \
    "$(sed 's/Database=[^;]*;/Database=tarn_role;/' <<<"$TARN_TEST_POSTGRES")"
}
part "the service role" service_role

# velloc's init --service-tables and upgrade, on a database of their own (the connection string
# may name the tour's database by now).
service_database() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_service"
}
if part "a database for the service tables" service_database; then
  part "velloc service tables" env \
    TARN_TEST_POSTGRES="$(sed 's/Database=[^;]*;/Database=tarn_service;/' <<<"$TARN_TEST_POSTGRES")" \
    bash "$here/service_tables.sh" "$build/bin/velloc" "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" \
    -p "$TARN_POSTGRES_PORT" -U postgres -X -q -v ON_ERROR_STOP=1 -d tarn_service
fi

# The reasons of validations and refused references at both doors, on a demo database of its own.
reasons() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_reasons" || return 1
  local connection
  connection=$(sed 's/Database=[^;]*;/Database=tarn_reasons;/' <<<"$TARN_TEST_POSTGRES")
  VELLOC_CONN=$connection "$build/bin/velloc" init >/dev/null &&
    VELLOC_CONN=$connection "$build/bin/velloc" demo >/dev/null &&
    /usr/bin/python3 "$here/../serve/reasons_test.py" "$build/bin/velloc" --conn "$connection"
}
part "reasons at both doors" reasons

# velloc serve through a PostgreSQL stop and start, on a database of its own.
recovery() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_recovery" || return 1
  local connection
  connection=$(sed 's/Database=[^;]*;/Database=tarn_recovery;/' <<<"$TARN_TEST_POSTGRES")
  VELLOC_CONN=$connection "$build/bin/velloc" init >/dev/null &&
    VELLOC_CONN=$connection "$build/bin/velloc" demo >/dev/null &&
    TARN_TEST_POSTGRES=$connection /usr/bin/python3 "$here/recovery.py" "$build/bin/velloc"
}
part "velloc serve through a PostgreSQL restart" recovery

# The plans of pick-lists over many values, on a database of their own.
pick_list_plans() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_plans" || return 1
  bash "$here/pick_list_plans.sh" "$build/bin/velloc" \
    "$(sed 's/Database=[^;]*;/Database=tarn_plans;/' <<<"$TARN_TEST_POSTGRES")"
}
part "the plans of pick-lists" pick_list_plans

part "what a connection sends" ctest --test-dir "$build" --output-on-failure -j2 --no-tests=error \
  -R '^Postgres(FirstRuns|Plans)Test\.'
validation_statements() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -d postgres -c "create database tarn_statements" || return 1
  bash "$here/validation_statements.sh" "$build/bin/velloc" \
    "$(sed 's/Database=[^;]*;/Database=tarn_statements;/' <<<"$TARN_TEST_POSTGRES")" \
    "$TARN_POSTGRES_SOCKET_DIR/server.log"
}
part "the statements of a validation" validation_statements

if ((${#failed[@]})); then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "all PostgreSQL tests passed"
