// The ERP schema scripts built into the library (db/schema.sql, db/seed.sql and the PostgreSQL
// schema made from them), and the parts of them a host runs on its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "erp/db/database.h"

namespace tarn::erp {
namespace scripts {
// Defined in the source the build generates from db/schema.sql and db/seed.sql.
std::string_view schemaScript();
std::string_view seedScript();
std::string_view postgresSchemaScript();
}  // namespace scripts

// The ERP schema script in the dialect of `database`. Raises kComponentFailure for SQL Server,
// whose ERP database holds the ERP tables itself.
std::u16string schemaFor(db::Database& database);

// The service tables' part of a schema script: from its "-- Service tables:" heading to the end.
std::u16string_view serviceTablesPart(std::u16string_view schema);

// The tables a script part creates, in its order.
std::vector<std::u16string> tablesCreatedBy(std::u16string_view script);

// Whether `database` holds the table `name` (letter case ignored). On PostgreSQL the catalogue
// views come with the ERP schema, so the database is asked through its own catalogue.
bool holdsTable(db::Database& database, std::u16string_view name);

}  // namespace tarn::erp
