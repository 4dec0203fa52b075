#include "erp/db/connection_loss.h"

namespace tarn::erp::db {

bool connectionLostState(std::string_view sqlstate) {
  if (sqlstate.size() != 5) return false;
  return sqlstate.starts_with("08") || sqlstate == "57P01" || sqlstate == "57P02" ||
         sqlstate == "57P03";
}

void raiseDatabaseFailure(bool connectionLost, const std::string& message) {
  if (!connectionLost) automation::raise(automation::ErrorCode::kComponentFailure, message);
  // The same error and message as raise() makes, of the type that says the connection is gone.
  try {
    automation::raise(automation::ErrorCode::kComponentFailure, message);
  } catch (const automation::AutomationError& error) {
    throw ConnectionLostError(error);
  }
}

}  // namespace tarn::erp::db
