#include "tests/kit/fake_component.h"

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::testing {

using automation::Argument;
using automation::ErrorCode;
using automation::Variant;

FakeComponent& FakeComponent::on(std::u16string operation, int minArgs, int maxArgs,
                                 Handler handler) {
  for (auto& op : ops_) {
    if (automation::equalsIgnoringAsciiCase(op.name, operation)) {
      op = Op{std::move(operation), minArgs, maxArgs, std::move(handler), {}};
      return *this;
    }
  }
  ops_.push_back(Op{std::move(operation), minArgs, maxArgs, std::move(handler), {}});
  return *this;
}

FakeComponent::Op& FakeComponent::find(std::u16string_view operation) {
  for (auto& op : ops_) {
    if (automation::equalsIgnoringAsciiCase(op.name, operation)) return op;
  }
  automation::raise(ErrorCode::kUnknownOperation, automation::toUtf8(operation));
}

FakeComponent& FakeComponent::answer(std::u16string_view operation, Handler handler) {
  find(operation).handler = std::move(handler);
  return *this;
}

FakeComponent& FakeComponent::answer(std::u16string_view operation, Variant result) {
  return answer(operation, [result](std::span<Argument>) { return result; });
}

FakeComponent& FakeComponent::queue(std::u16string_view operation, std::vector<Variant> results) {
  auto& op = find(operation);
  for (auto& r : results) op.queued.push_back(std::move(r));
  return *this;
}

automation::DispId FakeComponent::idOfName(std::u16string_view name) const {
  for (std::size_t i = 0; i < ops_.size(); ++i) {
    if (automation::equalsIgnoringAsciiCase(ops_[i].name, name)) {
      return static_cast<automation::DispId>(i + 1);
    }
  }
  automation::raise(ErrorCode::kUnknownOperation, automation::toUtf8(name));
}

Variant FakeComponent::invoke(automation::DispId id, automation::CallKind kind,
                              std::span<Argument> args) {
  if (id < 1 || static_cast<std::size_t>(id) > ops_.size() || kind != automation::CallKind::Call) {
    automation::raise(ErrorCode::kUnknownOperation);
  }
  Op& op = ops_[static_cast<std::size_t>(id - 1)];
  const auto count = static_cast<int>(args.size());
  if (count < op.minArgs || count > op.maxArgs) {
    automation::raise(ErrorCode::kWrongArgumentCount, automation::toUtf8(op.name));
  }
  const auto fault = log_.record(name_, op.name, args);
  if (fault == Fault::kRaise) {
    automation::raise(ErrorCode::kComponentFailure, "injected failure");
  }
  Variant result;
  if (!op.queued.empty()) {
    result = std::move(op.queued.front());
    op.queued.pop_front();
  } else {
    result = op.handler(args);
  }
  if (fault == Fault::kNull) return Variant::null();
  if (fault == Fault::kWrongKind) {
    return result.isObject()
               ? Variant(u"not a record set")
               : Variant(automation::ObjectRef(std::make_shared<automation::DispatchObject>()));
  }
  return result;
}

}  // namespace tarn::testing
