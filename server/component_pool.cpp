#include "server/component_pool.h"

#include <algorithm>
#include <atomic>
#include <list>
#include <memory>

#include "session/connection.h"

namespace tarn::server {
namespace {

using Clock = std::chrono::steady_clock;

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

// A user's component on this thread; none after a lost connection, until `retryAt`.
struct Held {
  std::uint64_t pool;
  std::u16string user;
  std::unique_ptr<session::VellocHost, Release> host;
  std::chrono::milliseconds wait{0};  // since the last lost connection or failed retry
  Clock::time_point retryAt{};
};

std::list<Held>& threadHeld() {
  thread_local std::list<Held> held;  // most recently used first
  return held;
}

void waitLonger(Held& held) {
  held.wait = held.wait == std::chrono::milliseconds{0} ? kFirstRetry
                                                        : std::min(held.wait * 2, kLongestRetry);
  held.retryAt = Clock::now() + held.wait;
}

std::unique_ptr<session::VellocHost, Release> made(const std::u16string& connection,
                                                   const std::u16string& user) {
  std::unique_ptr<session::VellocHost, Release> host(new session::VellocHost());
  ++componentsAlive;
  session::initialise(*host, connection, user);
  return host;
}

}  // namespace

ComponentPool::ComponentPool(std::u16string connection)
    : id_(nextPoolId()), connection_(std::move(connection)) {}

session::VellocHost& ComponentPool::component(const std::u16string& erpUser) {
  auto& held = threadHeld();
  for (auto it = held.begin(); it != held.end(); ++it) {
    if (it->pool == id_ && it->user == erpUser) {
      held.splice(held.begin(), held, it);
      Held& found = held.front();
      if (found.host) return *found.host;
      if (Clock::now() < found.retryAt) {
        session::fail(session::Failure::Kind::kDatabase,
                      "the database connection was lost; it is tried again shortly");
      }
      try {
        found.host = made(connection_, erpUser);
      } catch (const session::RequestError& e) {
        if (e.failure.kind == session::Failure::Kind::kDatabase) waitLonger(found);
        throw;
      }
      return *found.host;
    }
  }
  auto host = made(connection_, erpUser);
  if (held.size() >= kComponentsPerThread) held.pop_back();
  held.push_front(Held{id_, erpUser, std::move(host)});
  return *held.front().host;
}

void ComponentPool::served(const std::u16string& erpUser,
                           const std::optional<session::Failure>& failure) {
  for (Held& held : threadHeld()) {
    if (held.pool != id_ || held.user != erpUser) continue;
    if (!failure) {
      held.wait = std::chrono::milliseconds{0};
    } else if (failure->connectionLost) {
      held.host.reset();
      waitLonger(held);
    }
    return;
  }
}

std::size_t ComponentPool::alive() { return componentsAlive.load(); }

}  // namespace tarn::server
