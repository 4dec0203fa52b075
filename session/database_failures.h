// A scope over the outside components' diagnostic channel (tarnvelloc/erp/diagnostics.h): it
// clears what this thread recorded when it begins and when it ends, so that a failure read inside
// it was met inside it, never left over from an earlier call.
#pragma once

#include <algorithm>
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

  // The first database failure met on this thread since the scope began, if any; it says the
  // connection was lost when any failure met since did.
  std::optional<Failure> failure() const {
    const auto failures = erp::databaseFailures();
    if (failures.empty()) return std::nullopt;
    const bool lost = std::ranges::any_of(
        failures, [](const erp::DatabaseFailure& failure) { return failure.connectionLost; });
    return Failure{Failure::Kind::kDatabase, failures.front().message, failures.front().operation,
                   lost};
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
