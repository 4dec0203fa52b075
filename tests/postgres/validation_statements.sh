#!/usr/bin/env bash
# What one `velloc validate` process asks PostgreSQL, read from the server's log of statements:
# psqlODBC's two questions at connect, the table check, and each lookup once, run directly (an
# unnamed statement, sent in one round trip) with its values. No catalogue question for the
# result's columns, no statement prepared to be kept. A pick-list (`velloc ref`) asks no
# catalogue question either.
# Usage: validation_statements.sh VELLOC ADMIN-CONNECTION SERVER-LOG
#   (ADMIN-CONNECTION: an empty database of the server, as the superuser postgres)
set -uo pipefail
velloc=$1 admin=$2 log=$3
database=$(sed 's/.*Database=\([^;]*\).*/\1/' <<<"$admin")
problems=0
problem() {
  echo "validation statements: $*" >&2
  problems=$((problems + 1))
}

"$velloc" --conn "$admin" demo >/dev/null || { problem "demo failed"; exit 1; }
"$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
  -v ON_ERROR_STOP=1 -d postgres -c "alter database $database set log_statement = 'all'" ||
  { problem "cannot log the statements of $database"; exit 1; }

# The statements a command adds to the log (with their values and further lines), without their
# time and process prefix; other lines (a checkpoint's) are left out.
statements_of() {
  local before
  before=$(wc -l <"$log")
  "$velloc" --conn "$admin" "$@" >/dev/null || problem "velloc $* failed"
  # The server writes its log a moment after answering.
  sleep 0.3
  tail -n +$((before + 1)) "$log" | sed -E 's/^[0-9-]+ [0-9:.]+ [A-Z]+ \[[0-9]+\] //' |
    awk '/^(LOG:  (statement|execute)|DETAIL:  parameters)/ { keep = 1; print; next }
         /^\t/ && keep { print; next } { keep = 0 }'
}

expected=$(
  cat <<'EOF'
LOG:  statement: SET DateStyle = 'ISO';SET extra_float_digits = 2;show transaction_isolation
LOG:  statement: select oid, typbasetype from pg_type where typname = 'lo'
LOG:  statement: select count(*) from UserDefine where 1 = 0
LOG:  execute <unnamed>: select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =$1 and B.cItem =$2 and B.cID = A.cID and A.cValue =$3
DETAIL:  parameters: $1 = '单据头', $2 = '自定义项3', $3 = 'HD'
LOG:  execute <unnamed>: select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =$1 and B.cItem =$2 and B.cID = A.cID and A.cAlias =$3
DETAIL:  parameters: $1 = '单据头', $2 = '自定义项3', $3 = 'HD'
LOG:  execute <unnamed>: select cID, cType, iMaxLen from UserDef where cClass = $1 and cItem = $2 limit 1
DETAIL:  parameters: $1 = '单据头', $2 = '自定义项3'
LOG:  execute <unnamed>: select cValue from UserDefine where cID = $1 and cValue = $2 order by cValue limit 1
DETAIL:  parameters: $1 = 'H03', $2 = 'HD'
EOF
)
validation=$(statements_of validate cdefine3 HD)
[[ $validation == "$expected" ]] ||
  problem "velloc validate cdefine3 HD sent:"$'\n'"$validation"$'\n'"instead of:"$'\n'"$expected"

# The yardstick a validation is timed against (bench/odbc_statements.cpp, beside psql) runs
# bench/validation_statements.sql: these statements after the driver's own, values written in.
written_in=$(awk '
  /^LOG:  statement: / { if (++driver > 2) { sub(/^LOG:  statement: /, ""); print } next }
  /^LOG:  execute <unnamed>: / { pending = $0; sub(/^LOG:  execute <unnamed>: /, "", pending); next }
  /^DETAIL:  parameters: / {
    rest = $0; sub(/^DETAIL:  parameters: /, "", rest); split("", values)
    while (match(rest, /[$][0-9]+ = \047[^\047]*\047/)) {
      pair = substr(rest, RSTART, RLENGTH); rest = substr(rest, RSTART + RLENGTH)
      values[substr(pair, 2, index(pair, " ") - 2)] = substr(pair, index(pair, "\047"))
    }
    for (n = 9; n >= 1; n--) if (n in values) gsub("[$]" n, values[n], pending)
    print pending
  }' <<<"$expected")
bench_file="$(dirname "$0")/../../bench/validation_statements.sql"
timed=$(grep -v '^--' "$bench_file" | sed 's/;$//')
[[ $timed == "$written_in" ]] ||
  problem "bench/validation_statements.sql holds:"$'\n'"$timed"$'\n'"instead of:"$'\n'"$written_in"

pick_list=$(statements_of ref cdefine3 --limit 2)
[[ $pick_list == *"execute <unnamed>: with p(c1, c2) as ("* ]] ||
  problem "velloc ref ran no pick-list directly:"$'\n'"$pick_list"
for unwanted in pg_attribute _PLAN; do
  [[ $pick_list != *"$unwanted"* ]] || problem "velloc ref sent $unwanted:"$'\n'"$pick_list"
done

((problems == 0)) && echo "validation statements: as expected"
((problems == 0))
