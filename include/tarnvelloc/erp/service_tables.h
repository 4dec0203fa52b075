// The service tables of the outside components (column layouts, row authorisation, join texts,
// resource strings, voucher field lists, recently chosen values) in a database that holds the
// ERP tables, and the version of their schema, kept in the one row of TarnSchemaVersion
// (db/schema.sql).
//
// Versions: 0 stands for a database with the ERP tables and none of the service tables; 1 for
// the service tables without TarnSchemaVersion and without the default layouts; 2 for those
// without TarnRecentValue; 3 (current) for the tables db/schema.sql makes, with, on PostgreSQL,
// the pick-list indexes of the ERP tables' text columns (erp/host/schema_scripts.cpp). Neither
// function touches an ERP table's rows, and each makes its change in one transaction: on failure
// the database is as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/erp/held_connection.h"

namespace tarn::erp {

// The version of the service tables this program makes and works with.
inline constexpr int kServiceTablesVersion = 3;

struct ServiceTablesChange {
  int versionBefore = 0;
  int versionAfter = 0;
  std::vector<std::u16string> tablesAdded;  // in the order db/schema.sql creates them

  friend bool operator==(const ServiceTablesChange&, const ServiceTablesChange&) = default;
};

// Adds the service tables a database holding the ERP tables lacks, with the default layouts of
// the UserDefine keys that have no stored layout, at kServiceTablesVersion. On a database at the
// current version it adds only tables missing since (none, usually). Raises AutomationError
// (kComponentFailure) for a database without the ERP tables, for service tables of an older
// version (velloc upgrade brings them up) or of a newer one, for a database without a schema
// script (SQL Server), and with the database's own message on a database failure.
ServiceTablesChange addServiceTables(std::u16string_view connection);

// Brings the service tables of an older version to kServiceTablesVersion; at that version
// already, changes nothing (versionBefore == versionAfter). Raises AutomationError
// (kComponentFailure) for a database without the ERP tables or without service tables (init
// --service-tables adds them), for a version newer than this program's, and with the
// database's own message on a database failure.
ServiceTablesChange upgradeServiceTables(std::u16string_view connection);

// The version of the service tables of the database a connection string names, as above.
// Raises as addServiceTables does for a database without the ERP tables.
int serviceTablesVersion(std::u16string_view connection);

// The recently chosen values of TarnRecentValue, by person (the login name, exactly as given;
// stored hex-encoded) and item key. Both raise AutomationError (kComponentFailure) with the
// database's own message on a database failure.
//
// Records `value` as the person's most recent value of the item and keeps the `keep` most recent
// of them; a value recorded before (under the ERP's comparison rule) moves up instead of being
// repeated. One transaction: on failure the table is as it was.
void recordRecentValue(HeldConnection& connection, std::string_view person,
                       std::u16string_view itemKey, std::u16string_view value, int keep);

// The person's values of the item, the most recent first, at most `most` of them.
std::vector<std::u16string> recentValues(HeldConnection& connection, std::string_view person,
                                         std::u16string_view itemKey, int most);

}  // namespace tarn::erp
