#include "erp/db/open_database.h"

#include <filesystem>
#include <string>

#include "erp/db/connection_target.h"
#include "erp/db/odbc_database.h"
#include "erp/db/recorded.h"
#include "erp/db/sqlite_database.h"
#include "tarnvelloc/automation/error.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::raise;

std::unique_ptr<Database> open(const ConnectionString& connection, bool createIfMissing) {
  const ConnectionTarget target = classifyConnection(connection);
  if (target.kind == ConnectionTarget::Kind::kSqlite) {
    return openSqliteDatabase(std::filesystem::path(target.sqliteFile), createIfMissing);
  }
  return openOdbcDatabase(target.odbcConnection, target.shownAs, target.dialect);
}

}  // namespace

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
