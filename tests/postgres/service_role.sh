#!/usr/bin/env bash
# The service role `velloc init --service-role` makes: it signs in with its password (the server
# is told to ask this role for it, by SCRAM), serves the component (a pick-list, a value
# archived) and keeps recently chosen values, also when they came with an upgrade after the role
# was made, and can do nothing else: no table created, dropped or altered, no other row updated
# or deleted. Run by run.sh on a database of its own; the password never shows in an answer, in the
# role's catalogue entry or in the server's log.
# Usage: service_role.sh VELLOC ADMIN-CONNECTION
set -uo pipefail
velloc=$1 admin=$2
role=velloc_svc secret='pa''ss-s3cret'
problems=0
problem() {
  echo "service role: $*" >&2
  problems=$((problems + 1))
}

out=$(printf '%s\n' "$secret" | "$velloc" --conn "$admin" init --service-role "$role" 2>&1) ||
  problem "init --service-role failed: $out"
[[ $out == *"Made the login role $role"* ]] || problem "init said: $out"
[[ $out != *"$secret"* ]] || problem "init showed the password"
"$velloc" --conn "$admin" demo >/dev/null || problem "demo failed"

psql_admin() {
  "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q -t -A \
    -d postgres -c "$1"
}
stored=$(psql_admin "select rolpassword from pg_authid where rolname = '$role'")
[[ $stored == SCRAM-SHA-256\$4096:* ]] || problem "the role's password is kept as: $stored"
# From here on the server asks this role for its password, so a wrong verifier cannot sign in.
hba=$(psql_admin "show hba_file")
cp "$hba" "$hba.before"
{ echo "local all $role scram-sha-256"; cat "$hba.before"; } >"$hba"
psql_admin "select pg_reload_conf()" >/dev/null
restore_hba() {
  cp "$hba.before" "$hba" && psql_admin "select pg_reload_conf()" >/dev/null
}
trap restore_hba EXIT
wrong="${admin/Username=postgres/Username=$role};Password=wrong-password"
out=$("$velloc" --conn "$wrong" ref cdefine3 2>&1) && problem "a wrong password signed in: $out"

service="${admin/Username=postgres/Username=$role};Password=$secret"
out=$("$velloc" --conn "$service" ref cdefine3 --match 华 2>&1) || problem "ref as $role: $out"
[[ $out == *华东区* ]] || problem "ref as $role: $out"
out=$("$velloc" --conn "$service" --json validate cdefine1 服务角色新值 --build 2>&1)
[[ $out == *'"code": 1'* ]] || problem "archiving as $role: $out"

psql_as_role() {
  PGPASSWORD=$secret "$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U "$role" -X -q \
    -v ON_ERROR_STOP=1 -d "$(sed 's/.*Database=\([^;]*\).*/\1/' <<<"$admin")" -c "$1" 2>&1
}
for statement in "create table canary (i integer)" "drop table userdefine" \
  "alter table userdefine add column z integer" "update userdefine set cvalue = cvalue" \
  "delete from userdefine" "insert into userdef (cid, cclass, citem) values ('X', 'x', 'x')" \
  "create role intruder" "truncate customer"; do
  if out=$(psql_as_role "$statement"); then
    problem "$role may: $statement"
  elif [[ $out != *"permission denied"* && $out != *"must be owner"* ]]; then
    problem "$statement refused for another reason: $out"
  fi
done

# The role keeps its people's recent values; a role made before they existed (version 2) gets
# the right from velloc upgrade.
for made in "by init" "before the upgrade"; do
  out=$(psql_as_role "insert into tarnrecentvalue (cperson, citemkey, cvalue, dused)
    values ('77616e67', 'list/header/cdefine3', '华东区', localtimestamp);
    delete from tarnrecentvalue") || problem "$role keeping recent values ($made): $out"
  [[ $made == "by init" ]] || break
  out=$("$PG_BIN/psql" -h "$TARN_POSTGRES_SOCKET_DIR" -p "$TARN_POSTGRES_PORT" -U postgres -X -q \
    -v ON_ERROR_STOP=1 -d "$(sed 's/.*Database=\([^;]*\).*/\1/' <<<"$admin")" \
    -c "drop table tarnrecentvalue; update tarnschemaversion set iversion = 2" 2>&1 &&
    "$velloc" --conn "$admin" upgrade 2>&1) || problem "the upgrade from version 2: $out"
done

log=$(psql_admin "select pg_current_logfile()")
if [[ -n $log && -f "$(psql_admin "show data_directory")/$log" ]] &&
  grep -q "$secret" "$(psql_admin "show data_directory")/$log"; then
  problem "the password is in the server's log"
fi

((problems == 0)) && echo "service role: signs in by SCRAM, reads and archives, nothing else"
exit $((problems > 0))
