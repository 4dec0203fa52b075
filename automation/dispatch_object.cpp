#include "tarnvelloc/automation/dispatch_object.h"

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::automation {
namespace {

// The names of a table compared with a caller's name, ASCII case ignored; inline here, as every
// late-bound call goes through it.
inline bool sameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char16_t y = b[i];
    if (x == y) continue;
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + (u'a' - u'A'));
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + (u'a' - u'A'));
    if (x != y) return false;
  }
  return true;
}

// Gives every operation without a fixed id the id of an earlier operation of the same name, or
// the next id in table order.
template <typename Op>
void assignIds(std::vector<Op>& operations) {
  DispId next = 1;
  for (auto& op : operations) {
    if (op.id != 0) continue;
    for (const auto& earlier : operations) {
      if (&earlier == &op) break;
      if (sameName(earlier.name, op.name)) op.id = earlier.id;
    }
    if (op.id == 0) op.id = next++;
  }
}

template <typename Op>
DispId idIn(const std::vector<Op>& operations, std::u16string_view name) {
  for (const auto& op : operations) {
    if (sameName(op.name, name)) return op.id;
  }
  raise(ErrorCode::kUnknownOperation, toUtf8(name));
}

template <typename Op>
const Op& operationIn(const std::vector<Op>& operations, DispId id, CallKind kind,
                      std::size_t argumentCount) {
  const Op* found = nullptr;
  // Ids given in table order sit at their position; a fixed id or a property's set half is
  // looked for.
  const auto at = static_cast<std::size_t>(id) - 1;
  if (id >= 1 && at < operations.size() && operations[at].id == id && operations[at].kind == kind) {
    found = &operations[at];
  } else {
    for (const auto& op : operations) {
      if (op.id == id && op.kind == kind) {
        found = &op;
        break;
      }
    }
  }
  if (!found) raise(ErrorCode::kUnknownOperation, "dispatch id " + std::to_string(id));
  const auto count = static_cast<int>(argumentCount);
  if (count < found->minArgs || count > found->maxArgs) {
    raise(ErrorCode::kWrongArgumentCount, toUtf8(found->name));
  }
  return *found;
}

}  // namespace

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

OperationTable::OperationTable(std::vector<MemberOperation> operations)
    : operations_(std::move(operations)) {
  assignIds(operations_);
}

DispId OperationTable::idOfName(std::u16string_view name) const { return idIn(operations_, name); }

const MemberOperation& OperationTable::operation(DispId id, CallKind kind,
                                                 std::size_t argumentCount) const {
  return operationIn(operations_, id, kind, argumentCount);
}

DispatchObject::DispatchObject(std::vector<Operation> operations) {
  declare(std::move(operations));
}

void DispatchObject::declare(std::vector<Operation> operations) {
  operations_ = std::move(operations);
  assignIds(operations_);
}

DispId DispatchObject::idOfName(std::u16string_view name) const {
  return table_ ? table_->idOfName(name) : idIn(operations_, name);
}

Variant DispatchObject::invoke(DispId id, CallKind kind, std::span<Argument> args) {
  if (table_) return table_->operation(id, kind, args.size()).handler(*this, args);
  return operationIn(operations_, id, kind, args.size()).handler(args);
}

}  // namespace tarn::automation
