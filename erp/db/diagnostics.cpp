#include "tarnvelloc/erp/diagnostics.h"

#include "erp/db/connection_loss.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

struct ThreadFailures {
  std::vector<DatabaseFailure> kept;
  std::size_t count = 0;
};

ThreadFailures& threadFailures() {
  thread_local ThreadFailures failures;
  return failures;
}

}  // namespace

void clearDatabaseFailures() { threadFailures() = {}; }

std::vector<DatabaseFailure> databaseFailures() { return threadFailures().kept; }

std::size_t databaseFailureCount() { return threadFailures().count; }

void recordDatabaseFailure(std::u16string_view operation, std::string message,
                           bool connectionLost) {
  ThreadFailures& failures = threadFailures();
  ++failures.count;
  if (failures.kept.size() == kMaxDatabaseFailures) return;
  failures.kept.push_back(DatabaseFailure{automation::toUtf8(operation), std::move(message),
                                          std::chrono::system_clock::now(), connectionLost});
}

void recordDatabaseFailure(std::u16string_view operation, const std::exception& failure) {
  recordDatabaseFailure(operation, databaseMessage(failure),
                        dynamic_cast<const db::ConnectionLostError*>(&failure) != nullptr);
}

std::string databaseMessage(const std::exception& failure) {
  constexpr std::string_view kLead = "Component failure: ";
  const std::string_view message = failure.what();
  const auto* error = dynamic_cast<const automation::AutomationError*>(&failure);
  if (error && error->code() == automation::ErrorCode::kComponentFailure &&
      message.starts_with(kLead)) {
    return std::string(message.substr(kLead.size()));
  }
  return std::string(message);
}

}  // namespace tarn::erp
