// FakeComponent is a scripted outside component for unit tests. It answers the operations it
// was given (name, accepted argument counts, handler), records every call in the shared
// CallLog before answering, and applies a fault the log injects for that call. Results can be
// queued per operation: each call takes the next queued result, and falls back to the
// operation's handler when the queue is empty.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>

#include "tarnvelloc/automation/dispatch_object.h"
#include "tests/kit/call_log.h"

namespace tarn::testing {

class FakeComponent final : public automation::Object {
 public:
  using Handler = std::function<automation::Variant(std::span<automation::Argument>)>;

  FakeComponent(std::string name, CallLog& log) : name_(std::move(name)), log_(log) {}

  // Declares (or replaces) an operation taking between minArgs and maxArgs arguments.
  FakeComponent& on(std::u16string operation, int minArgs, int maxArgs, Handler handler);
  FakeComponent& on(std::u16string operation, int argc, Handler handler) {
    return on(std::move(operation), argc, argc, std::move(handler));
  }
  // Replaces the handler of a declared operation, keeping its argument counts.
  FakeComponent& answer(std::u16string_view operation, Handler handler);
  // Replaces the handler by one that returns `result` on every call.
  FakeComponent& answer(std::u16string_view operation, automation::Variant result);
  // Queues results that the next calls of `operation` return, in order.
  FakeComponent& queue(std::u16string_view operation, std::vector<automation::Variant> results);

  automation::DispId idOfName(std::u16string_view name) const override;
  automation::Variant invoke(automation::DispId id, automation::CallKind kind,
                             std::span<automation::Argument> args) override;

 private:
  struct Op {
    std::u16string name;
    int minArgs;
    int maxArgs;
    Handler handler;
    std::deque<automation::Variant> queued;
  };
  Op& find(std::u16string_view operation);

  std::string name_;
  CallLog& log_;
  std::vector<Op> ops_;
};

}  // namespace tarn::testing
