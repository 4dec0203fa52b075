// Outside components that answer from memory: the component's own cost, without a database.
//
// While the world is open, the services answer one call of the method to measure (the warm-up)
// through the real outside components of the same ProgIDs and learn the questions asked and
// the answers given, in order. Once the world is sealed they answer from memory alone, in the
// same order, call after call; a question out of that order aborts the run, so a timed loop
// never reaches a database. Record sets are answered with a fresh record set object over the
// rows learnt.
#pragma once

#include <memory>

#include "tarnvelloc/automation/factory.h"

namespace tarn::bench {

class InMemoryWorld {
 public:
  // Registers the in-memory services in the global registry in place of the real ones, which
  // they learn from; the registry is restored when the world goes.
  InMemoryWorld();
  ~InMemoryWorld();
  InMemoryWorld(const InMemoryWorld&) = delete;
  InMemoryWorld& operator=(const InMemoryWorld&) = delete;

  // From now on, answers come from memory alone.
  void seal();

  struct State;

 private:
  automation::ComponentRegistry::Snapshot saved_;
  std::shared_ptr<State> state_;
};

}  // namespace tarn::bench
