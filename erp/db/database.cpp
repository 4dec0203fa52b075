#include "erp/db/database.h"

#include <filesystem>

#include "erp/db/sqlite_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

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

std::unique_ptr<Database> openDatabase(std::u16string_view connectionText, bool createIfMissing) {
  const auto connection = ConnectionString::parse(connectionText);
  if (!connection) {
    raise(ErrorCode::kComponentFailure, "malformed connection string: " + toUtf8(connectionText));
  }
  return openDatabase(*connection, createIfMissing);
}

}  // namespace tarn::erp::db
