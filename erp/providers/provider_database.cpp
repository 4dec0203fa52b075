#include "erp/providers/provider_database.h"

#include <string>

#include "tarnvelloc/automation/error.h"

namespace tarn::erp::providers {

db::Database& requireDatabase(const std::unique_ptr<db::Database>& database,
                              std::string_view service) {
  if (!database) {
    automation::raise(automation::ErrorCode::kComponentFailure,
                      std::string(service) + " is not initialised");
  }
  return *database;
}

}  // namespace tarn::erp::providers
