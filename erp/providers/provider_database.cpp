#include "erp/providers/provider_database.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"

namespace tarn::erp::providers {
namespace {

struct Opened {
  std::u16string connectionString;
  std::weak_ptr<db::Database> database;
  unsigned joinedKinds = 0;  // one bit per ProviderKind
};

// The connections opened on this thread that still live, oldest first.
std::vector<Opened>& openedOnThisThread() {
  thread_local std::vector<Opened> opened;
  return opened;
}

std::atomic<std::uint64_t> connectionsOpened{0};

struct ReadingTogether {
  int depth = 0;
  std::vector<SharedDatabase> reading;  // the connections with a read transaction open
};

ReadingTogether& readingTogether() {
  thread_local ReadingTogether state;
  return state;
}

void endReadTransactions(ReadingTogether& state) {
  auto reading = std::move(state.reading);
  state.reading.clear();
  for (const auto& database : reading) {
    try {
      database->commit();
    } catch (...) {
    }
  }
}

}  // namespace

SharedDatabase joinDatabase(std::u16string_view connectionString, ProviderKind kind) {
  auto& opened = openedOnThisThread();
  std::erase_if(opened, [](const Opened& o) { return o.database.expired(); });
  const unsigned bit = 1u << static_cast<unsigned>(kind);
  const auto newest = std::find_if(opened.rbegin(), opened.rend(), [&](const Opened& o) {
    return o.connectionString == connectionString;
  });
  if (newest != opened.rend() && (newest->joinedKinds & bit) == 0) {
    if (auto database = newest->database.lock()) {
      newest->joinedKinds |= bit;
      return database;
    }
  }
  SharedDatabase database = db::openDatabase(connectionString);
  ++connectionsOpened;
  opened.push_back(Opened{std::u16string(connectionString), database, bit});
  return database;
}

void lendDatabase(std::u16string_view connectionString, const SharedDatabase& database) {
  auto& opened = openedOnThisThread();
  std::erase_if(opened, [](const Opened& o) { return o.database.expired(); });
  opened.push_back(Opened{std::u16string(connectionString), database, 0});
}

std::uint64_t providerConnectionsOpened() { return connectionsOpened.load(); }

db::Database& requireDatabase(const SharedDatabase& database, std::string_view service,
                              Access access) {
  if (!database) {
    automation::raise(automation::ErrorCode::kComponentFailure,
                      std::string(service) + " is not initialised");
  }
  auto& state = readingTogether();
  if (state.depth == 0) return *database;
  if (access == Access::kWrite) {
    endReadTransactions(state);
  } else if (std::find(state.reading.begin(), state.reading.end(), database) ==
                 state.reading.end() &&
             database->beginReading()) {
    state.reading.push_back(database);
  }
  return *database;
}

void beginReadingTogether() { ++readingTogether().depth; }

void endReadingTogether() {
  auto& state = readingTogether();
  if (state.depth > 0 && --state.depth == 0) endReadTransactions(state);
}

}  // namespace tarn::erp::providers
