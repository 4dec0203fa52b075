// InMemoryWorld: the five outside components and the database connection, registered under
// their ProgIDs for the life of the world (the registrations before it come back when it goes),
// answering every call from the fuzz input. It keeps what the component sent for the target's
// oracle.
//
// Any call may raise. Record sets hold zero to two rows; a field read by name or position holds
// what its name calls for (a table name, a condition, a type, a length, a count) or any value,
// Null and text included, drawn once per row. Where a record set is due the answer may also be
// Null or text. The names and conditions the world answers with are configuration, which the
// component writes into its SQL as it stands: they come from kConfiguration.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <string>
#include <vector>

#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/variant.h"

namespace tarn::fuzz {

// Table names, field names, select lists and voucher conditions of the world's configuration.
extern const std::vector<std::u16string> kConfiguration;

class InMemoryWorld {
 public:
  explicit InMemoryWorld(FuzzedDataProvider& input);
  ~InMemoryWorld();
  InMemoryWorld(const InMemoryWorld&) = delete;
  InMemoryWorld& operator=(const InMemoryWorld&) = delete;

  // Every statement passed to OpenX or Execute, in order.
  std::vector<std::u16string> statements;
  // Every record passed to Add, in order.
  std::vector<std::u16string> records;
  // Every text GetResString answered with.
  std::vector<std::u16string> resourceTexts;

  // Record sets the world made that someone still holds.
  int liveRecordSets() const;

  // What the world's objects share: the input and what was sent.
  struct State;

 private:
  std::shared_ptr<State> state_;
  automation::ComponentRegistry::Snapshot saved_;
};

}  // namespace tarn::fuzz
