#include "cli/serve_pool.h"

#include <atomic>
#include <map>
#include <memory>

#include "cli/commands.h"

namespace tarn::cli {
namespace {

std::uint64_t nextPoolId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

}  // namespace

ComponentPool::ComponentPool(std::u16string connection, std::u16string user)
    : id_(nextPoolId()), connection_(std::move(connection)), user_(std::move(user)) {}

VellocHost& ComponentPool::component() {
  thread_local std::map<std::uint64_t, std::unique_ptr<VellocHost>> components;
  auto& slot = components[id_];
  if (!slot) {
    auto host = std::make_unique<VellocHost>();
    initialise(*host, connection_, user_);
    slot = std::move(host);
  }
  return *slot;
}

}  // namespace tarn::cli
