#include "tarnvelloc/automation/dispatch_object.h"

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::automation {

Operation method(std::u16string name, int argc, Handler handler, DispId id) {
  return Operation{std::move(name), CallKind::Call, argc, argc, std::move(handler), id};
}

Operation method(std::u16string name, int minArgs, int maxArgs, Handler handler, DispId id) {
  return Operation{std::move(name), CallKind::Call, minArgs, maxArgs, std::move(handler), id};
}

Operation property(std::u16string name, std::function<Variant()> get, DispId id) {
  return Operation{std::move(name),
                   CallKind::Call,
                   0,
                   0,
                   [get = std::move(get)](std::span<Argument>) { return get(); },
                   id};
}

Operation propertySet(std::u16string name, Handler set, DispId id) {
  return Operation{std::move(name), CallKind::PropertySet, 1, 1, std::move(set), id};
}

DispatchObject::DispatchObject(std::vector<Operation> operations) {
  declare(std::move(operations));
}

void DispatchObject::declare(std::vector<Operation> operations) {
  operations_ = std::move(operations);
  DispId next = 1;
  for (auto& op : operations_) {
    if (op.id != 0) continue;
    for (const auto& earlier : operations_) {
      if (&earlier == &op) break;
      if (equalsIgnoringAsciiCase(earlier.name, op.name)) op.id = earlier.id;
    }
    if (op.id == 0) op.id = next++;
  }
}

DispId DispatchObject::idOfName(std::u16string_view name) const {
  for (const auto& op : operations_) {
    if (equalsIgnoringAsciiCase(op.name, name)) return op.id;
  }
  raise(ErrorCode::kUnknownOperation, toUtf8(name));
}

Variant DispatchObject::invoke(DispId id, CallKind kind, std::span<Argument> args) {
  for (const auto& op : operations_) {
    if (op.id != id || op.kind != kind) continue;
    const auto count = static_cast<int>(args.size());
    if (count < op.minArgs || count > op.maxArgs) {
      raise(ErrorCode::kWrongArgumentCount, toUtf8(op.name));
    }
    return op.handler(args);
  }
  raise(ErrorCode::kUnknownOperation, "dispatch id " + std::to_string(id));
}

}  // namespace tarn::automation
