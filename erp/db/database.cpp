#include "erp/db/database.h"

#include <filesystem>

#include "erp/db/connection_target.h"
#include "erp/db/odbc_database.h"
#include "erp/db/sqlite_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/diagnostics.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::raise;

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
  const ConnectionTarget target = classifyConnection(connection);
  if (target.kind == ConnectionTarget::Kind::kSqlite) {
    return openSqliteDatabase(std::filesystem::path(target.sqliteFile), createIfMissing);
  }
  return openOdbcDatabase(target.odbcConnection, target.shownAs, target.dialect);
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
    std::string problem;
    const auto connection = ConnectionString::parse(connectionText, &problem);
    if (!connection) raise(ErrorCode::kComponentFailure, "malformed connection string: " + problem);
    return open(*connection, createIfMissing);
  });
}

}  // namespace tarn::erp::db
