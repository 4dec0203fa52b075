#include "tarnvelloc/erp/demo_database.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>

#include "erp/db/connection_target.h"
#include "erp/db/open_database.h"
#include "erp/db/transaction.h"
#include "erp/host/schema_scripts.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::ErrorCode;
using automation::Variant;

// The header item that generated values are archived under (自定义项9, "批量编号").
constexpr std::u16string_view kGeneratedItem = u"H09";

std::unique_ptr<db::Database> open(const std::filesystem::path& path, bool createIfMissing) {
  return db::openDatabase(sqliteConnectionString(path), createIfMissing);
}

// Runs `fill` on a new database file beside `path` and then puts that file in place of `path`
// in one rename, so that readers see the old database or the whole new one, never a part.
template <typename Fill>
void replaceAtomically(const std::filesystem::path& path, Fill fill) {
  std::random_device entropy;
  auto building = path;
  building += ".building-" + std::to_string(entropy());
  try {
    {
      auto database = open(building, true);
      db::Transaction transaction(*database);
      fill(*database);
      transaction.commit();
    }
    std::filesystem::rename(building, path);
  } catch (const std::exception& failure) {
    std::error_code ignored;
    std::filesystem::remove(building, ignored);
    if (dynamic_cast<const automation::AutomationError*>(&failure)) throw;
    automation::raise(ErrorCode::kComponentFailure,
                      "cannot create " + path.string() + ": " + failure.what());
  }
}

// Generates `count` values of one item in one statement inside the database; numbering
// continues after the values generated before, so repeated calls keep adding new values. The
// value GEN0000042 gets the alias G42. Parameters: the count, the item, the item.
std::u16string_view generateValuesStatement(db::Dialect dialect) {
  constexpr std::u16string_view kSqlite =
      u"with recursive n(i) as (select 1 union all select i + 1 from n where i < ?)"
      u" insert or ignore into UserDefine (cID, cValue, cAlias)"
      u" select ?, printf('GEN%07d', i + base.done), 'G' || (i + base.done)"
      u" from n, (select count(*) as done from UserDefine where cID = ?"
      u" and cValue like 'GEN%') as base";
  constexpr std::u16string_view kPostgreSql =
      u"with recursive n(i) as (select 1 union all select i + 1 from n where i < ?)"
      u" insert into UserDefine (cID, cValue, cAlias)"
      u" select cast(? as erp_text), 'GEN' || lpad((i + base.done)::text, 7, '0'),"
      u" 'G' || (i + base.done)"
      u" from n, (select count(*) as done from UserDefine where cID = ?"
      u" and cValue like 'GEN%') as base on conflict do nothing";
  return dialect == db::Dialect::kPostgreSql ? kPostgreSql : kSqlite;
}

// The SQLite file a connection string names, when it names one; raises when that file exists.
std::optional<std::filesystem::path> newSqliteFileOf(std::u16string_view connection) {
  std::string problem;
  const auto parsed = db::ConnectionString::parse(connection, &problem);
  if (!parsed) {
    automation::raise(ErrorCode::kComponentFailure, "malformed connection string: " + problem);
  }
  const auto target = db::classifyConnection(*parsed);
  if (target.kind != db::ConnectionTarget::Kind::kSqlite) return std::nullopt;
  std::filesystem::path file(automation::toUtf8(target.sqliteFile));
  if (std::filesystem::exists(file)) {
    automation::raise(ErrorCode::kComponentFailure, file.string() + " exists already");
  }
  return file;
}

bool hasErpTables(db::Database& database) { return holdsTable(database, u"UserDefine"); }

// PostgreSQL's generated row keys (identity columns) continue after the largest key stored, so
// that rows added later do not collide with the keys the seed data wrote itself.
void continueRowKeys(db::Database& database) {
  const auto keys = database.queryNative(
      u"select c.relname::text, a.attname::text from pg_catalog.pg_attribute as a"
      u" join pg_catalog.pg_class as c on c.oid = a.attrelid"
      u" where c.relnamespace = current_schema()::regnamespace and a.attidentity <> ''"
      u" order by 1");
  for (const auto& key : keys.rows) {
    const auto table = key[0].toString();
    const auto column = key[1].toString();
    // The names come from the catalogue and are quoted as identifiers.
    const auto quoted = [](const std::u16string& name) {
      std::u16string out = u"\"";
      for (const char16_t c : name) {
        if (c == u'"') out += u'"';
        out += c;
      }
      return out + u"\"";
    };
    const std::array<Variant, 2> sequenceOf{Variant(quoted(table)), Variant(column)};
    database.queryNative(u"select setval(pg_get_serial_sequence(?, ?), coalesce((select max(" +
                             quoted(column) + u") from " + quoted(table) + u"), 0) + 1, false)",
                         sequenceOf);
  }
}

}  // namespace

void createDemoDatabase(const std::filesystem::path& path) {
  replaceAtomically(path, [](db::Database& database) {
    database.executeScript(automation::fromUtf8(scripts::schemaScript()));
    database.executeScript(automation::fromUtf8(scripts::seedScript()));
  });
}

bool holdsOnlyDemoData(const std::filesystem::path& path) {
  constexpr std::u16string_view kValueCount = u"select count(*) from UserDefine";
  try {
    auto demo = db::openDatabase(u"Provider=SQLite;Data Source=:memory:", true);
    demo->executeScript(automation::fromUtf8(scripts::schemaScript()));
    demo->executeScript(automation::fromUtf8(scripts::seedScript()));
    const auto demoValues = demo->query(kValueCount).rows.at(0).at(0).toLong();
    return open(path, false)->query(kValueCount).rows.at(0).at(0).toLong() == demoValues;
  } catch (const std::exception&) {
    return false;
  }
}

void createEmptyDatabase(const std::filesystem::path& path) {
  replaceAtomically(path, [](db::Database& database) {
    database.executeScript(automation::fromUtf8(scripts::schemaScript()));
  });
}

void addGeneratedValues(const std::filesystem::path& path, std::uint32_t count) {
  addGeneratedValuesAt(sqliteConnectionString(path), count);
}

void addGeneratedValuesAt(std::u16string_view connection, std::uint32_t count) {
  if (count == 0) return;
  if (count > static_cast<std::uint32_t>(INT32_MAX)) {
    automation::raise(ErrorCode::kComponentFailure, "too many values to generate");
  }
  auto database = db::openDatabase(connection);
  const std::array<Variant, 3> parameters{Variant(static_cast<std::int32_t>(count)),
                                          Variant(std::u16string(kGeneratedItem)),
                                          Variant(std::u16string(kGeneratedItem))};
  db::Transaction transaction(*database);
  database->queryNative(generateValuesStatement(database->dialect()), parameters);
  transaction.commit();
}

bool namesSqliteFile(std::u16string_view connection) {
  const auto parsed = db::ConnectionString::parse(connection);
  try {
    return parsed && db::classifyConnection(*parsed).kind == db::ConnectionTarget::Kind::kSqlite;
  } catch (const automation::AutomationError&) {
    return false;
  }
}

void initialiseErpDatabase(std::u16string_view connection) {
  if (const auto file = newSqliteFileOf(connection)) return createEmptyDatabase(*file);
  auto database = db::openDatabase(connection);
  const auto schema = schemaFor(*database);
  if (hasErpTables(*database)) {
    automation::raise(ErrorCode::kComponentFailure,
                      "the database holds ERP tables already: an ERP schema goes into an empty "
                      "database");
  }
  db::Transaction transaction(*database);
  database->executeScript(schema);
  transaction.commit();
}

void fillDemoCompany(std::u16string_view connection) {
  if (const auto file = newSqliteFileOf(connection)) return createDemoDatabase(*file);
  auto database = db::openDatabase(connection);
  const auto schema = schemaFor(*database);
  const bool hasSchema = hasErpTables(*database);
  if (hasSchema &&
      database->query(u"select count(*) from UserDefine").rows.at(0).at(0).toLong() > 0) {
    automation::raise(ErrorCode::kComponentFailure,
                      "the database holds archived values already: the demo company goes into "
                      "an empty ERP database");
  }
  db::Transaction transaction(*database);
  if (!hasSchema) database->executeScript(schema);
  database->executeScript(automation::fromUtf8(scripts::seedScript()));
  if (database->dialect() == db::Dialect::kPostgreSql) continueRowKeys(*database);
  transaction.commit();
}

std::u16string sqliteConnectionString(const std::filesystem::path& path) {
  const auto utf8 = path.u8string();
  const auto file = automation::fromUtf8(std::string(utf8.begin(), utf8.end()));
  const bool needsQuotes = file.find_first_of(u";=\"'") != std::u16string::npos ||
                           file.starts_with(u' ') || file.ends_with(u' ');
  if (!needsQuotes) return u"Provider=SQLite;Data Source=" + file;
  std::u16string quoted = u"\"";
  for (char16_t c : file) {
    quoted += c;
    if (c == u'"') quoted += u'"';
  }
  return u"Provider=SQLite;Data Source=" + quoted + u"\"";
}

}  // namespace tarn::erp
