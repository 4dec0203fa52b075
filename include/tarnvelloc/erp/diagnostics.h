// The outside components' diagnostic channel to their host. The component answers its callers
// with codes only (a database failure inside a validation reads as a refusal, inside a reference
// as False), which is its contract; a host that must tell a database failure from a genuine
// refusal reads here what the outside components met during the call.
//
// Failures are kept per thread, because a host calls a component object on one thread and reads
// the channel on that same thread: clear it before a call, read it after. At most
// kMaxDatabaseFailures are kept; later ones replace nothing and are counted only.
#pragma once

#include <chrono>
#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::erp {

struct DatabaseFailure {
  std::string operation;  // what was asked of the database: a statement, or "open", "Add", …
  std::string message;    // the database's own message (UTF-8), never a password
  std::chrono::system_clock::time_point when;
  // The connection itself is gone (the server shut down or cannot be reached, the file can no
  // longer be read), as the backend told from the database's own code; a host that keeps the
  // component drops it and makes a new one. False for the failure of one statement: a lock, a
  // conflict, a constraint, a read-only database.
  bool connectionLost = false;
};

inline constexpr std::size_t kMaxDatabaseFailures = 8;

// Forgets what this thread recorded.
void clearDatabaseFailures();

// What this thread recorded since the last clear, oldest first.
std::vector<DatabaseFailure> databaseFailures();

// How many failures this thread met since the last clear, those not kept included.
std::size_t databaseFailureCount();

// Records a failure on this thread. Called by the outside components; a failure the database
// layer raised for a lost connection is recorded as connectionLost.
void recordDatabaseFailure(std::u16string_view operation, std::string message,
                           bool connectionLost = false);
void recordDatabaseFailure(std::u16string_view operation, const std::exception& failure);

// A failure's message as the database gave it: an AutomationError's without the runtime's
// "Component failure: " lead, any other exception's what().
std::string databaseMessage(const std::exception& failure);

}  // namespace tarn::erp
