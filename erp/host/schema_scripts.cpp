#include "erp/host/schema_scripts.h"

#include <array>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

// What PostgreSQL needs for pick-lists at size, run after the service tables (so with them by
// velloc init, init --service-tables and upgrade); every statement keeps what exists already.
//
// A pick-list's match (`cValue like N'%x%'`) goes through erp_text's LIKE operator, which
// PostgreSQL inlines to `lower(column::text collate "und-x-icu") ~~ lower(pattern collate
// "und-x-icu")`. A GIN index of pg_trgm on exactly that left-hand expression serves a `%x%`
// match of three or more characters without reading the column; an index on any other
// expression (without the collation, without lower) is never used. tests/postgres/
// pick_list_plans.sh fails when the operator and these indexes drift apart.
//
// Indexed: UserDefine's value and alias (the list-source and free-item pick-lists), and the
// code and name columns of the archive and voucher-source tables a pick-list searches, where the
// database has them as erp_text.
//
// UserDefine.cID's distinct count is set to 20. ANALYZE's sample of a skewed column (one item of
// a million values beside small ones) sees only two or three items, and the planner then takes
// any item for a third of the table: it hashes all of UserDefine on the ICU collation to find a
// 4-row item (0.25-0.6 s at 1M values). The count it is given instead decides two plans, one
// item being a 1/count share of the table: a small item's list must look its item up in its
// index (a share too large hashes the table again), and a large item's selective match must read
// only the trigram indexes (a share too small makes the item's whole index range look cheap
// enough to AND into the match: 42 did so for values that share their first trigrams, such as
// GEN0000001, GEN0000002..., 100-180 ms against 10-15 ms). 20 keeps both plans with such values
// and with values that share none, at 300k and 1M values (tests/postgres/pick_list_plans.sh).
//
// The indexes keep GIN's pending list (fast bulk inserts): right after a bulk load, until
// autovacuum (or VACUUM) has flushed it, the planner may take the item's index range for a
// selective match. Building them locks UserDefine against writes for as long as it takes
// (about 13 s at 1M values, in the upgrade's one transaction).
//
// pg_trgm is a trusted extension: a role with CREATE on the database may add it. A role that
// may not, or a server without it, stops the whole script with a message saying so, and the
// transaction it runs in leaves the database as it was.
constexpr std::string_view kPostgresPickListPart = R"sql(
-- Pick-list indexes and statistics (PostgreSQL only).
do $trgm$ begin
  create extension if not exists pg_trgm;
exception
  when insufficient_privilege then
    raise exception 'the role % may not create the extension pg_trgm, which the pick-list indexes need: connect as the database''s owner, or have a superuser run create extension pg_trgm in the database first', current_user
      using errcode = 'insufficient_privilege';
  when undefined_file then
    raise exception 'this PostgreSQL server has no extension pg_trgm, which the pick-list indexes need: install its contrib extensions (postgresql-contrib)'
      using errcode = 'undefined_file';
end $trgm$;

do $indexes$
declare
  indexed record;
begin
  for indexed in
    select t.name as table_name, t.column_name
    from (values ('userdefine', 'cvalue'), ('userdefine', 'calias'),
                 ('customer', 'ccuscode'), ('customer', 'ccusname'), ('customer', 'ccusabbname'),
                 ('vendor', 'cvencode'), ('vendor', 'cvenname'), ('vendor', 'cvenabbname'),
                 ('department', 'cdepcode'), ('department', 'cdepname'),
                 ('code', 'ccode'), ('code', 'ccodename'),
                 ('position', 'cposcode'), ('position', 'cposname'),
                 ('warehouse', 'cwhcode'), ('warehouse', 'cwhname'),
                 ('person', 'cpersoncode'), ('person', 'cpersonname'),
                 ('inventory', 'cinvcode'), ('inventory', 'cinvname'),
                 ('contracts', 'ccontractcode'), ('contracts', 'ccontractname'))
      as t (name, column_name)
    join information_schema.columns as c
      on c.table_schema = current_schema() and c.table_name = t.name
     and c.column_name = t.column_name and c.domain_name = 'erp_text'
  loop
    execute format('create index if not exists %I on %I using gin '
                   '(lower(%I::text collate "und-x-icu") gin_trgm_ops)',
                   indexed.table_name || '_' || indexed.column_name || '_trgm',
                   indexed.table_name, indexed.column_name);
  end loop;
end $indexes$;

alter table userdefine alter column cid set (n_distinct = 20);
analyze userdefine;

-- The service roles made before TarnRecentValue (login roles that may add archived values and
-- are neither superusers nor the owner) record the values their people choose, as new ones do.
do $recent$
declare
  serving record;
begin
  for serving in
    select r.rolname from pg_catalog.pg_roles as r
    where r.rolcanlogin and not r.rolsuper
      and r.oid <> (select relowner from pg_catalog.pg_class where oid = 'userdefine'::regclass)
      and has_table_privilege(r.oid, 'userdefine'::regclass, 'INSERT')
  loop
    execute format('grant select, insert, delete on tarnrecentvalue to %I', serving.rolname);
  end loop;
end $recent$;
)sql";

}  // namespace

std::u16string schemaFor(db::Database& database) {
  switch (database.dialect()) {
    case db::Dialect::kSqlite:
      return automation::fromUtf8(scripts::schemaScript());
    case db::Dialect::kPostgreSql:
      return automation::fromUtf8(std::string(scripts::postgresSchemaScript()) +
                                  std::string(kPostgresPickListPart));
    case db::Dialect::kSqlServer:
      break;
  }
  automation::raise(automation::ErrorCode::kComponentFailure,
                    "this build has no ERP schema script for SQL Server: the ERP's own database "
                    "holds the ERP tables");
}

std::u16string_view serviceTablesPart(std::u16string_view schema) {
  const auto at = schema.find(u"\n-- Service tables:");
  if (at == std::u16string_view::npos) {
    automation::raise(automation::ErrorCode::kComponentFailure,
                      "the schema script has no service tables part");
  }
  return schema.substr(at + 1);
}

std::vector<std::u16string> tablesCreatedBy(std::u16string_view script) {
  constexpr std::u16string_view kCreate = u"\nCREATE TABLE IF NOT EXISTS ";
  std::vector<std::u16string> tables;
  for (auto at = script.find(kCreate); at != std::u16string_view::npos;
       at = script.find(kCreate, at + 1)) {
    const auto name = script.substr(at + kCreate.size());
    tables.emplace_back(name.substr(0, name.find_first_of(u" (")));
  }
  return tables;
}

bool holdsTable(db::Database& database, std::u16string_view name) {
  const std::array<automation::Variant, 1> parameters{automation::Variant(std::u16string(name))};
  const auto found =
      database.dialect() == db::Dialect::kPostgreSql
          ? database.queryNative(
                u"select count(*) from information_schema.tables"
                u" where table_schema = current_schema() and table_name = lower(?)",
                parameters)
          : database.queryNative(
                u"select count(*) from sqlite_master where type = 'table' and name = ?"
                u" collate nocase",
                parameters);
  return found.rows.at(0).at(0).toLong() > 0;
}

}  // namespace tarn::erp
