// A scope over the outside components' diagnostic channel (tarnvelloc/erp/diagnostics.h): it
// clears what this thread recorded when it begins and when it ends, so that a failure read inside
// it was met inside it, never left over from an earlier call.
#pragma once

#include <optional>

#include "session/failure.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/erp/diagnostics.h"

namespace tarn::session {

class DatabaseFailureScope {
 public:
  DatabaseFailureScope() { erp::clearDatabaseFailures(); }
  ~DatabaseFailureScope() { erp::clearDatabaseFailures(); }
  DatabaseFailureScope(const DatabaseFailureScope&) = delete;
  DatabaseFailureScope& operator=(const DatabaseFailureScope&) = delete;

  // The first database failure met on this thread since the scope began, if any.
  std::optional<Failure> failure() const {
    const auto failures = erp::databaseFailures();
    if (failures.empty()) return std::nullopt;
    return Failure{Failure::Kind::kDatabase, failures.front().message, failures.front().operation};
  }
};

// Runs work that reads the database directly (not through the component); its failures are
// database failures, raised as RequestError.
template <typename Work>
auto onDatabase(Work work) {
  try {
    return work();
  } catch (const automation::AutomationError& error) {
    fail(Failure::Kind::kDatabase, erp::databaseMessage(error));
  }
}

}  // namespace tarn::session
