#include "server/thread_connection.h"

#include <optional>
#include <utility>

#include "session/database_failures.h"

namespace tarn::server {
namespace {

struct Kept {
  std::u16string connection;
  erp::HeldConnection held;
};

thread_local std::optional<Kept> kept;

}  // namespace

erp::HeldConnection& threadConnection(const std::u16string& connection) {
  if (!kept || kept->connection != connection) {
    kept.reset();
    auto held = session::onDatabase([&] { return erp::HeldConnection(connection); });
    kept.emplace(Kept{connection, std::move(held)});
  }
  return kept->held;
}

void dropThreadConnection() { kept.reset(); }

}  // namespace tarn::server
