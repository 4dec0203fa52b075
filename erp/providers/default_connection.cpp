#include "erp/providers/default_connection.h"

#include <mutex>

namespace tarn::erp {
namespace {

struct DefaultConnection {
  std::mutex mutex;
  std::u16string hostChoice;
  std::u16string lastDataService;
};

DefaultConnection& state() {
  static DefaultConnection instance;
  return instance;
}

}  // namespace

namespace providers {

void setHostDefaultConnection(std::u16string connectionString) {
  auto& s = state();
  const std::lock_guard lock(s.mutex);
  s.hostChoice = std::move(connectionString);
}

void noteDataServiceConnection(std::u16string connectionString) {
  auto& s = state();
  const std::lock_guard lock(s.mutex);
  s.lastDataService = std::move(connectionString);
}

std::optional<std::u16string> defaultConnection() {
  auto& s = state();
  const std::lock_guard lock(s.mutex);
  if (!s.hostChoice.empty()) return s.hostChoice;
  if (!s.lastDataService.empty()) return s.lastDataService;
  return std::nullopt;
}

}  // namespace providers
}  // namespace tarn::erp
