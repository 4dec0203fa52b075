#include "server/component_pool.h"

#include <atomic>
#include <list>
#include <memory>

#include "session/connection.h"

namespace tarn::server {
namespace {

std::uint64_t nextPoolId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

std::atomic<std::size_t> componentsAlive{0};

// Releases a component and counts it gone.
struct Release {
  void operator()(session::VellocHost* host) const {
    delete host;
    --componentsAlive;
  }
};

struct Held {
  std::uint64_t pool;
  std::u16string user;
  std::unique_ptr<session::VellocHost, Release> host;
};

}  // namespace

ComponentPool::ComponentPool(std::u16string connection)
    : id_(nextPoolId()), connection_(std::move(connection)) {}

session::VellocHost& ComponentPool::component(const std::u16string& erpUser) {
  thread_local std::list<Held> held;  // most recently used first
  for (auto it = held.begin(); it != held.end(); ++it) {
    if (it->pool == id_ && it->user == erpUser) {
      held.splice(held.begin(), held, it);
      return *held.front().host;
    }
  }
  std::unique_ptr<session::VellocHost, Release> host(new session::VellocHost());
  ++componentsAlive;
  session::initialise(*host, connection_, erpUser);
  if (held.size() >= kComponentsPerThread) held.pop_back();
  held.push_front(Held{id_, erpUser, std::move(host)});
  return *held.front().host;
}

std::size_t ComponentPool::alive() { return componentsAlive.load(); }

}  // namespace tarn::server
