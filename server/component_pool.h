// The component objects of velloc serve: one per worker thread, created by ProgID and
// initialised with the server's connection and user the first time the thread needs it, then
// kept for the thread's life. Automation objects are single-threaded, so a thread only ever
// reaches its own; the database diagnostic channel is per thread for the same reason.
#pragma once

#include <cstdint>
#include <string>

#include "session/velloc_host.h"

namespace tarn::server {

class ComponentPool {
 public:
  ComponentPool(std::u16string connection, std::u16string user);

  // This thread's component. Raises RequestError when it cannot be initialised (a database
  // failure, or Init returning False); the next call tries again.
  session::VellocHost& component();

  const std::u16string& connection() const { return connection_; }

 private:
  std::uint64_t id_;  // tells this pool's objects from those of an earlier pool on the thread
  std::u16string connection_;
  std::u16string user_;
};

}  // namespace tarn::server
