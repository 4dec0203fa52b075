#include "erp/db/database.h"

#include <filesystem>

#include "erp/db/sqlite_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/diagnostics.h"

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

// Runs `work`, recording a failure under `operation` before it goes on unwinding.
template <typename Work>
auto recorded(std::u16string_view operation, Work work) {
  try {
    return work();
  } catch (const std::exception& failure) {
    recordDatabaseFailure(operation, failure);
    throw;
  }
}

std::unique_ptr<Database> open(const ConnectionString& connection, bool createIfMissing) {
  const std::u16string provider = connection.get(u"Provider").value_or(u"SQLite");
  if (automation::equalsIgnoringAsciiCase(provider, u"SQLite")) {
    return openSqliteDatabase(std::filesystem::path(sqliteFileOf(connection)), createIfMissing);
  }
  raise(ErrorCode::kComponentFailure,
        "unknown database provider '" + toUtf8(provider) + "' (supported: SQLite)");
}

}  // namespace

ResultSet Database::query(std::u16string_view sqlServerText) {
  return recorded(sqlServerText, [&] { return runQuery(sqlServerText); });
}

ResultSet Database::queryNative(std::u16string_view nativeText,
                                std::span<const automation::Variant> parameters) {
  return recorded(nativeText, [&] { return runNative(nativeText, parameters); });
}

std::unique_ptr<Database> openDatabase(const ConnectionString& connection, bool createIfMissing) {
  return recorded(u"open", [&] { return open(connection, createIfMissing); });
}

std::unique_ptr<Database> openDatabase(std::u16string_view connectionText, bool createIfMissing) {
  return recorded(u"open", [&] {
    const auto connection = ConnectionString::parse(connectionText);
    if (!connection) {
      raise(ErrorCode::kComponentFailure, "malformed connection string: " + toUtf8(connectionText));
    }
    return open(*connection, createIfMissing);
  });
}

}  // namespace tarn::erp::db
