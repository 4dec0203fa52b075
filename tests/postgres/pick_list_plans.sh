#!/usr/bin/env bash
# The plans PostgreSQL makes for pick-lists on a database `velloc init` made, with one item of
# many values beside the demo company's small ones (generated in SQL, GEN0000001, GEN0000002...:
# values sharing their first trigrams make the planner's choice closest):
#   - a selective match of that item reads the pg_trgm indexes init made, and not also the item's
#     whole index range ANDed in: they are on exactly the expression erp_text's LIKE inlines to (a
#     self-check shows that a LIKE drifted away from them loses them);
#   - a small item's pick-list looks its item up in UserDefine's index (a nested loop), instead of
#     hashing every value of UserDefine;
#   - every pick-list index init made serves a match of its column;
#   - a role that may not create pg_trgm gets a message saying so from init, and no table.
# Plan shapes only, no timings. Usage: pick_list_plans.sh VELLOC ADMIN-CONNECTION [VALUES]
#   (ADMIN-CONNECTION: an empty database of the server, as the superuser postgres)
set -uo pipefail
velloc=$1 admin=$2 values=${3:-300000}
database=$(sed 's/.*Database=\([^;]*\).*/\1/' <<<"$admin")
problems=0
problem() {
  echo "pick-list plans: $*" >&2
  problems=$((problems + 1))
}
psql_on() {  # psql_on DATABASE [ROLE] -c ...
  local on=$1
  shift
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q -t -A \
    -v ON_ERROR_STOP=1 -d "$on" "$@"
}
# The plan of a pick-list's SQL as velloc gives it (SQL Server dialect: N'...' literals).
plan_of() {  # plan_of VELLOC-REF-ARGUMENTS...
  local sql
  sql=$("$velloc" --conn "$admin" --json "$@" | /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["sql"])') ||
    return 1
  psql_on "$database" -c "explain (costs off) ${sql//N\'/\'}"
}
expect_plan() {  # expect_plan WHAT PLAN REQUIRED-PATTERN... ; a pattern "!X" must not occur
  local what=$1 plan=$2
  shift 2
  for pattern in "$@"; do
    if [[ $pattern == !* ]]; then
      [[ $plan != *"${pattern#!}"* ]] || { problem "$what: the plan has ${pattern#!}:"$'\n'"$plan"; return; }
    else
      [[ $plan == *"$pattern"* ]] || { problem "$what: the plan lacks $pattern:"$'\n'"$plan"; return; }
    fi
  done
}

"$velloc" --conn "$admin" init >/dev/null && "$velloc" --conn "$admin" demo >/dev/null ||
  { problem "init and demo failed"; exit 1; }
# Item H09 (cdefine9) gets the many values; autovacuum would then flush the trigram indexes'
# pending entries and gather statistics: done here at once.
psql_on "$database" -c "insert into userdefine (cid, cvalue, calias)
  select 'H09', 'GEN' || lpad(i::text, 7, '0'), 'G' || i from generate_series(1, $values) as i" \
  -c "vacuum analyze userdefine" || problem "generating $values values failed"

selective=(ref cdefine9 --match GEN000004)
match_plan=$(plan_of "${selective[@]}")
expect_plan "a selective match" "$match_plan" "Bitmap Index Scan on userdefine_cvalue_trgm" "!BitmapAnd" \
  "Bitmap Index Scan on userdefine_calias_trgm" "!Seq Scan on userdefine"
small_plan=$(plan_of ref cdefine3)
expect_plan "a small item" "$small_plan" "Nested Loop" "Index Cond: ((cid)::bpchar = (b.cid)::bpchar)" \
  "!Hash" "!Seq Scan on userdefine"

# The self-checks. Without the item count init sets on UserDefine.cID, ANALYZE's sample of these
# values makes the small item's pick-list a hash join over all of UserDefine: the data is skewed
# enough for the check above to mean something.
unset_count=$(psql_on "$database" <<SQL
begin;
alter table userdefine alter column cid reset (n_distinct);
analyze userdefine;
explain (costs off) select a.cvalue from userdefine a, userdef b
  where b.cclass = '单据头' and b.citem = '自定义项3' and b.cid = a.cid;
rollback;
SQL
)
expect_plan "the small item without the item count (self-check)" "$unset_count" "Hash Join"
# A LIKE that no longer inlines to the indexed expression (here: without its
# collation) loses the indexes, and the check above would say so.
drifted=$(psql_on "$database" <<SQL
begin;
create or replace function erp_like(value erp_text, pattern text) returns boolean
  language sql immutable parallel safe
  return lower(value::text) like lower(pattern) escape '';
explain (costs off) select cvalue from userdefine where cvalue like '%12345%';
rollback;
SQL
)
expect_plan "a drifted LIKE (self-check)" "$drifted" "!_trgm"

# Every pick-list index serves its column's match (the demo tables are too small for the
# planner to choose an index by itself).
indexes=$(psql_on "$database" -c "select tablename || ' ' || indexname from pg_indexes
  where schemaname = current_schema() and indexname like '%\_trgm' order by 1")
(($(wc -l <<<"$indexes") == 22)) || problem "init made these pick-list indexes: $indexes"
while read -r table index; do
  column=${index#"${table}_"}
  column=${column%_trgm}
  plan=$(psql_on "$database" -c "set enable_seqscan = off" \
    -c "explain (costs off) select 1 from \"$table\" where $column like '%abc%'")
  expect_plan "$table.$column" "$plan" "Bitmap Index Scan on $index"
done <<<"$indexes"

# A role that may create tables in the schema but not extensions in the database.
psql_on postgres -c "create role velloc_limited login" -c "create database tarn_limited" &&
  psql_on tarn_limited -c "grant create on schema public to velloc_limited" ||
  problem "making the limited role failed"
limited=$(sed 's/Database=[^;]*;/Database=tarn_limited;/; s/Username=postgres/Username=velloc_limited/' <<<"$admin")
out=$("$velloc" --conn "$limited" init 2>&1) && problem "init without the right to create pg_trgm: $out"
expected="the role velloc_limited may not create the extension pg_trgm, which the pick-list indexes need: connect as the database's owner, or have a superuser run create extension pg_trgm in the database first"
[[ $out == *"$expected"* ]] ||
  problem "init without the right to create pg_trgm said: $out"
tables=$(psql_on tarn_limited -c "select count(*) from pg_tables where schemaname = 'public'")
[[ $tables == 0 ]] || problem "init without pg_trgm left $tables tables"

((problems == 0)) && echo "pick-list plans: trigram indexes used, a small item looked up, pg_trgm refusal clear"
exit $((problems > 0))
