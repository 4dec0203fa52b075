#include "tarnvelloc/erp/service_tables.h"

#include <array>
#include <string>

#include "erp/db/open_database.h"
#include "erp/db/transaction.h"
#include "erp/host/schema_scripts.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::ErrorCode;
using automation::Variant;

constexpr std::u16string_view kVersionTable = u"TarnSchemaVersion";

[[noreturn]] void refuse(const std::string& message) {
  automation::raise(ErrorCode::kComponentFailure, message);
}

std::string versionText(int version) { return "version " + std::to_string(version); }

// A database with the ERP tables, its service tables' part of the schema script and what that
// part creates.
struct ServiceSchema {
  std::unique_ptr<db::Database> database;
  std::u16string schema;
  std::u16string_view part;
  std::vector<std::u16string> tables;
};

ServiceSchema openServiceSchema(std::u16string_view connection) {
  ServiceSchema opened{db::openDatabase(connection), {}, {}, {}};
  opened.schema = schemaFor(*opened.database);
  opened.part = serviceTablesPart(opened.schema);
  opened.tables = tablesCreatedBy(opened.part);
  if (!holdsTable(*opened.database, u"UserDefine")) {
    refuse("the database holds no ERP tables: velloc init makes a new ERP database");
  }
  return opened;
}

int versionOf(const ServiceSchema& opened) {
  auto& database = *opened.database;
  if (holdsTable(database, kVersionTable)) {
    const auto rows = database.queryNative(u"select iVersion from TarnSchemaVersion").rows;
    if (rows.size() != 1) {
      refuse("TarnSchemaVersion holds " + std::to_string(rows.size()) +
             " rows; it holds the one row of the service tables' version");
    }
    return rows[0][0].toLong();
  }
  for (const auto& table : opened.tables) {
    if (holdsTable(database, table)) return 1;
  }
  return 0;
}

void refuseNewer(int version) {
  if (version <= kServiceTablesVersion) return;
  refuse("the service tables are " + versionText(version) + ", newer than this program's " +
         versionText(kServiceTablesVersion) + ": use a newer velloc");
}

// Runs the service tables' part of the schema, which adds only what is missing, and records
// the current version; gives the tables it added.
std::vector<std::u16string> bringToCurrent(const ServiceSchema& opened) {
  auto& database = *opened.database;
  std::vector<std::u16string> missing;
  for (const auto& table : opened.tables) {
    if (!holdsTable(database, table)) missing.push_back(table);
  }
  database.executeScript(opened.part);
  const std::array<Variant, 1> version{Variant(static_cast<std::int32_t>(kServiceTablesVersion))};
  database.queryNative(u"update TarnSchemaVersion set iVersion = ?", version);
  return missing;
}

// The person as cPerson holds it: the hex digits of the name's UTF-8 bytes, which the ERP's
// comparison rule cannot fold together.
std::u16string personKey(std::string_view person) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string key;
  key.reserve(person.size() * 2);
  for (const unsigned char byte : person) {
    key += kDigits[byte >> 4];
    key += kDigits[byte & 0xF];
  }
  return key;
}

}  // namespace

int serviceTablesVersion(std::u16string_view connection) {
  return versionOf(openServiceSchema(connection));
}

ServiceTablesChange addServiceTables(std::u16string_view connection) {
  const auto opened = openServiceSchema(connection);
  db::Transaction transaction(*opened.database);
  ServiceTablesChange change;
  change.versionBefore = versionOf(opened);
  refuseNewer(change.versionBefore);
  if (change.versionBefore != 0 && change.versionBefore != kServiceTablesVersion) {
    refuse("the service tables are " + versionText(change.versionBefore) +
           ": velloc upgrade brings them to " + versionText(kServiceTablesVersion));
  }
  change.tablesAdded = bringToCurrent(opened);
  change.versionAfter = kServiceTablesVersion;
  transaction.commit();
  return change;
}

ServiceTablesChange upgradeServiceTables(std::u16string_view connection) {
  const auto opened = openServiceSchema(connection);
  db::Transaction transaction(*opened.database);
  ServiceTablesChange change;
  change.versionBefore = versionOf(opened);
  refuseNewer(change.versionBefore);
  if (change.versionBefore == 0) {
    refuse("the database has no service tables: velloc init --service-tables adds them");
  }
  change.versionAfter = kServiceTablesVersion;
  if (change.versionBefore == kServiceTablesVersion) return change;
  // Versions 1 and 2 differ from the current one only by what the schema's part adds when
  // missing: tables, rows and, on PostgreSQL, the pick-list indexes.
  change.tablesAdded = bringToCurrent(opened);
  transaction.commit();
  return change;
}

void recordRecentValue(HeldConnection& connection, std::string_view person,
                       std::u16string_view itemKey, std::u16string_view value, int keep) {
  auto& database = connection.database();
  const Variant who(personKey(person));
  const Variant item{std::u16string(itemKey)};
  const std::array<Variant, 3> chosen{who, item, Variant(std::u16string(value))};
  const std::array<Variant, 4> kept{who, item, who, item};
  db::Transaction transaction(database);
  database.queryNative(
      u"delete from TarnRecentValue where cPerson = ? and cItemKey = ? and cValue = ?", chosen);
  database.queryNative(
      u"insert into TarnRecentValue (cPerson, cItemKey, cValue, dUsed)"
      u" values (?, ?, ?, CURRENT_TIMESTAMP)",
      chosen);
  database.queryNative(
      u"delete from TarnRecentValue where cPerson = ? and cItemKey = ? and iRecentId not in"
      u" (select iRecentId from TarnRecentValue where cPerson = ? and cItemKey = ?"
      u" order by iRecentId desc limit " +
          automation::fromUtf8(std::to_string(keep)) + u")",
      kept);
  transaction.commit();
}

std::vector<std::u16string> recentValues(HeldConnection& connection, std::string_view person,
                                         std::u16string_view itemKey, int most) {
  const std::array<Variant, 2> asked{Variant(personKey(person)), Variant(std::u16string(itemKey))};
  const auto rows = connection.database().queryNative(
      u"select cValue from TarnRecentValue where cPerson = ? and cItemKey = ?"
      u" order by iRecentId desc limit " +
          automation::fromUtf8(std::to_string(most)),
      asked);
  std::vector<std::u16string> values;
  for (const auto& row : rows.rows) values.push_back(row.at(0).toString());
  return values;
}

}  // namespace tarn::erp
