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
  // Version 1 differs from the current one only by what the schema's part adds when missing.
  change.tablesAdded = bringToCurrent(opened);
  transaction.commit();
  return change;
}

}  // namespace tarn::erp
