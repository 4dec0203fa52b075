#include "erp/host/schema_scripts.h"

#include <array>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {

std::u16string schemaFor(db::Database& database) {
  switch (database.dialect()) {
    case db::Dialect::kSqlite:
      return automation::fromUtf8(scripts::schemaScript());
    case db::Dialect::kPostgreSql:
      return automation::fromUtf8(scripts::postgresSchemaScript());
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
