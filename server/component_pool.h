// The component objects of velloc serve: per worker thread and per ERP user id, created by ProgID
// and initialised with the server's connection and that user the first time the thread serves
// that user, then kept while the thread serves; at most kComponentsPerThread users' objects per
// thread, the one unused the longest released first. Automation objects are single-threaded, so
// a thread only ever reaches its own; the database diagnostic channel is per thread for the same
// reason.
//
// A component whose request lost the database connection is dropped, and a new one made on a
// later request of that thread and user: none sooner than kFirstRetry after the loss, the wait
// doubling up to kLongestRetry while new ones keep failing, and forgotten once a request is
// served without a database failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "session/failure.h"
#include "session/velloc_host.h"

namespace tarn::server {

inline constexpr std::size_t kComponentsPerThread = 8;
inline constexpr std::chrono::milliseconds kFirstRetry{200};
inline constexpr std::chrono::milliseconds kLongestRetry{5000};

class ComponentPool {
 public:
  explicit ComponentPool(std::u16string connection);

  // This thread's component for `erpUser`. Raises RequestError when it cannot be initialised (a
  // database failure, or Init returning False), or, as a database failure, while a new one waits
  // for its retry after a lost connection; the next call tries again.
  session::VellocHost& component(const std::u16string& erpUser);

  // How a request to this thread's component for `erpUser` ended: `failure` is the database
  // failure it met, if any. A lost connection drops the component.
  void served(const std::u16string& erpUser, const std::optional<session::Failure>& failure);

  const std::u16string& connection() const { return connection_; }

  // The component objects alive in every pool of the process, on every thread.
  static std::size_t alive();

 private:
  std::uint64_t id_;  // tells this pool's objects from those of an earlier pool on the thread
  std::u16string connection_;
};

}  // namespace tarn::server
