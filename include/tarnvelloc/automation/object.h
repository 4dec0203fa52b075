// Object is the late-bound face every outside component, record set and the component itself
// show to their callers: operations are found by name (ASCII case ignored) or by dispatch id,
// and called with an exact argument count. Arguments are passed by value or by reference; a
// callee may replace a by-reference argument, and the caller then sees the replacement.
//
// Objects are shared and counted through ObjectRef (std::shared_ptr): assigning a reference
// releases the one held before. Objects are used on one thread at a time.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::automation {

using DispId = std::int32_t;

// How an operation is reached: a method call or property get, or a property set (by reference).
enum class CallKind { Call, PropertySet };

class Argument {
 public:
  static Argument byValue(Variant value) { return Argument(std::move(value)); }
  static Argument byRef(Variant& target) { return Argument(&target); }

  bool isByRef() const { return target_ != nullptr; }
  // For a by-reference argument, the caller's own variable.
  Variant& value() { return target_ ? *target_ : own_; }
  const Variant& value() const { return target_ ? *target_ : own_; }

 private:
  explicit Argument(Variant own) : own_(std::move(own)) {}
  explicit Argument(Variant* target) : target_(target) {}

  Variant own_;
  Variant* target_ = nullptr;
};

class Object {
 public:
  virtual ~Object() = default;

  // The dispatch id of the operation named `name`; raises kUnknownOperation when there is none.
  virtual DispId idOfName(std::u16string_view name) const = 0;

  // Runs the operation. Raises kUnknownOperation for an id or kind the object does not have,
  // kWrongArgumentCount for a count the operation does not take, and whatever the operation
  // itself raises.
  virtual Variant invoke(DispId id, CallKind kind, std::span<Argument> args) = 0;

  Variant call(std::u16string_view name, std::span<Argument> args);
  Variant call(std::u16string_view name, std::initializer_list<Argument> args = {});
};

// Calls through a reference that may be null: a null reference raises kObjectNotSet, as a call
// on an unset object variable does.
Variant callOn(const ObjectRef& object, std::u16string_view name,
               std::initializer_list<Argument> args = {});

}  // namespace tarn::automation
