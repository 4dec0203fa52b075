#include "erp/services/service_database.h"

#include "automation/error.h"
#include "automation/text.h"

namespace tarn::erp::services {

using automation::ErrorCode;

std::unique_ptr<db::Database> openNamedDatabase(std::u16string_view connectionText) {
  const auto connection = db::ConnectionString::parse(connectionText);
  if (!connection) {
    automation::raise(ErrorCode::kComponentFailure,
                      "malformed connection string: " + automation::toUtf8(connectionText));
  }
  return db::openDatabase(*connection);
}

db::Database& requireDatabase(const std::unique_ptr<db::Database>& database,
                              std::string_view service) {
  if (!database) {
    automation::raise(ErrorCode::kComponentFailure, std::string(service) + " is not initialised");
  }
  return *database;
}

}  // namespace tarn::erp::services
