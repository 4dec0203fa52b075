#!/usr/bin/env bash
# velloc on PostgreSQL with the service tables: a database made by `velloc init` answers a
# pick-list and archives once an item exists; an ERP database without service tables is
# adopted by `init --service-tables`; the service tables of version 1 (no TarnSchemaVersion) and
# of version 2 (no TarnRecentValue, no pick-list indexes) are brought up by `upgrade`; a newer
# version is refused.
#   service_tables.sh VELLOC PSQL...   (TARN_TEST_POSTGRES: an empty database of the server;
#                                       PSQL...: psql with its options, on that database)
set -euo pipefail
velloc=$1
shift
psql=("$@")
conn=$TARN_TEST_POSTGRES
status=0
expect() {  # expect STATUS EXPECTED-OUTPUT VELLOC-ARGUMENTS...
  local want=$1 expected=$2 got=0 actual
  shift 2
  actual=$("$velloc" --conn "$conn" "$@" 2>&1) || got=$?
  actual=$(grep -v '^Database ' <<<"$actual" || true)
  if [[ $got != "$want" || $actual != "$expected" ]]; then
    printf 'velloc %s\n  expected (%s): %s\n  got (%s):      %s\n' "$*" "$want" "$expected" \
      "$got" "$actual"
    status=1
  fi
}
sql() { "${psql[@]}" -c "$1"; }

answer=$("$velloc" --conn "$conn" --json init) || { echo "velloc init failed: $answer"; exit 1; }
database=$(sed -n 's/^  "database": "\(.*\)",$/\1/p' <<<"$answer")
expect 0 $'SQL      Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N\'单据头\' and B.cItem =N\'自定义项3\' and B.cID = A.cID\nColumns  档案值,别名\n\n档案值  别名\n------  ----\n0 rows' \
  ref cdefine3
sql "insert into UserDef (cID, cClass, cItem, cType, iMaxLen) values ('H03', '单据头', '自定义项3', '文本', 30)"
expect 0 $'Result   1  archived as a new value\nValue    华中\nReason   The value was archived as a new value of the item. (archived)' \
  validate cdefine3 华中 --build

sql "drop table TarnSchemaVersion, TarnColumnLayout, TarnRowAuthKey, TarnRowAuth, TarnJoinTable, TarnResString, TarnVoucherField, TarnRecentValue"
expect 1 'velloc: the database failed: the database has no service tables: velloc init --service-tables adds them' upgrade
expect 0 "Added the service tables TarnColumnLayout, TarnRowAuth, TarnRowAuthKey, TarnJoinTable, TarnResString, TarnVoucherField, TarnRecentValue, TarnSchemaVersion to $database (version 3; ERP tables untouched)." \
  init --service-tables
expect 0 $'Result   0  accepted\nValue    华中' validate cdefine3 华中

sql "drop table TarnSchemaVersion"
expect 1 'velloc: the database failed: the service tables are version 1: velloc upgrade brings them to version 3' init --service-tables
expect 0 "Upgraded the service tables of $database from version 1 to version 3 (added TarnSchemaVersion)." upgrade
expect 0 "The service tables of $database are at version 3, this program's: nothing to upgrade." upgrade

sql "drop table TarnRecentValue; drop index userdefine_cvalue_trgm; alter table userdefine alter column cid reset (n_distinct); update TarnSchemaVersion set iVersion = 2"
expect 0 "Upgraded the service tables of $database from version 2 to version 3 (added TarnRecentValue)." upgrade
upgraded=$("${psql[@]}" -t -A -c "select count(*) from pg_indexes where indexname like '%\_trgm'" \
  -c "select attoptions[1] from pg_attribute where attrelid = 'userdefine'::regclass and attname = 'cid'")
if [[ $upgraded != $'22\nn_distinct=20' ]]; then
  echo "after the upgrade from version 2: $upgraded"
  status=1
fi
sql "update TarnSchemaVersion set iVersion = 4"
expect 1 "velloc: the database failed: the service tables are version 4, newer than this program's version 3: use a newer velloc" upgrade
exit $status
