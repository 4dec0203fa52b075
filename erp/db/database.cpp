#include "erp/db/database.h"

#include <filesystem>

#include "automation/error.h"
#include "automation/text.h"
#include "erp/db/sqlite_database.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::raise;
using automation::toUtf8;

std::u16string sqliteFileOf(const ConnectionString& connection) {
  for (const auto* key : {u"Data Source", u"DataSource", u"Database"}) {
    if (auto value = connection.get(key); value && !value->empty()) return *value;
  }
  raise(ErrorCode::kComponentFailure, "the connection string names no Data Source");
}

}  // namespace

std::unique_ptr<Database> openDatabase(const ConnectionString& connection, bool createIfMissing) {
  const std::u16string provider = connection.get(u"Provider").value_or(u"SQLite");
  if (automation::equalsIgnoringAsciiCase(provider, u"SQLite")) {
    return openSqliteDatabase(std::filesystem::path(sqliteFileOf(connection)), createIfMissing);
  }
  raise(ErrorCode::kComponentFailure,
        "unknown database provider '" + toUtf8(provider) + "' (supported: SQLite)");
}

}  // namespace tarn::erp::db
