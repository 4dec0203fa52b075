#include "server/component_pool.h"

#include <atomic>
#include <map>
#include <memory>

#include "session/connection.h"

namespace tarn::server {
namespace {

std::uint64_t nextPoolId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

}  // namespace

ComponentPool::ComponentPool(std::u16string connection, std::u16string user)
    : id_(nextPoolId()), connection_(std::move(connection)), user_(std::move(user)) {}

session::VellocHost& ComponentPool::component() {
  thread_local std::map<std::uint64_t, std::unique_ptr<session::VellocHost>> components;
  auto& slot = components[id_];
  if (!slot) {
    auto host = std::make_unique<session::VellocHost>();
    session::initialise(*host, connection_, user_);
    slot = std::move(host);
  }
  return *slot;
}

}  // namespace tarn::server
