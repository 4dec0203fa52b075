// DispatchObject declares an object as a table of operations: name, call kind, accepted
// argument counts and a handler. The outside components, the record sets (the test kit's fake
// ones included) and the component's own published face are built this way; the test kit's
// fake outside components implement Object directly.
//
// A table is either the object's own (Operation, handlers that capture what they need) or one
// OperationTable shared by every object of a class (MemberOperation, handlers that receive the
// object called). A shared table is built once, so creating an object of such a class costs no
// more than the object itself; record sets, made for every statement, are built this way.
//
// Dispatch ids: an operation may carry a fixed id; otherwise ids are given in table order from
// 1. A property's get (CallKind::Call) and set (CallKind::PropertySet) share one name and so one
// id. Names are matched with ASCII case ignored.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/object.h"

namespace tarn::automation {

using Handler = std::function<Variant(std::span<Argument> args)>;

struct Operation {
  std::u16string name;
  CallKind kind = CallKind::Call;
  int minArgs = 0;
  int maxArgs = 0;
  Handler handler;
  DispId id = 0;  // 0: assigned from the table order
};

// An operation taking exactly `argc` arguments.
Operation method(std::u16string name, int argc, Handler handler, DispId id = 0);
// An operation taking between `minArgs` and `maxArgs` arguments.
Operation method(std::u16string name, int minArgs, int maxArgs, Handler handler, DispId id = 0);
// A read-only property (no arguments).
Operation property(std::u16string name, std::function<Variant()> get, DispId id = 0);
// The set half of a property: one argument, the new value.
Operation propertySet(std::u16string name, Handler set, DispId id = 0);

// An operation of a table shared by a class: the handler receives the object called, which is
// always of the class the table was built for.
using MemberHandler = Variant (*)(Object& self, std::span<Argument> args);

struct MemberOperation {
  std::u16string_view name;  // names a literal: the table outlives nothing it points to
  CallKind kind = CallKind::Call;
  int minArgs = 0;
  int maxArgs = 0;
  MemberHandler handler = nullptr;
  DispId id = 0;  // 0: assigned from the table order
};

namespace detail {
template <typename>
struct MemberTraits;
template <typename C>
struct MemberTraits<Variant (C::*)(std::span<Argument>)> {
  using Class = C;
  static constexpr bool kTakesArguments = true;
};
template <typename C>
struct MemberTraits<Variant (C::*)()> {
  using Class = C;
  static constexpr bool kTakesArguments = false;
};

template <auto Member>
Variant callMember(Object& self, std::span<Argument> args) {
  using Traits = MemberTraits<decltype(Member)>;
  auto& object = static_cast<typename Traits::Class&>(self);
  if constexpr (Traits::kTakesArguments) {
    return (object.*Member)(args);
  } else {
    return (object.*Member)();
  }
}
}  // namespace detail

// The member function `Member` (Variant f(std::span<Argument>) or Variant f()) as an operation
// taking exactly `argc` arguments, or between `minArgs` and `maxArgs`. An operation with a fixed
// id is written as a MemberOperation.
template <auto Member>
MemberOperation memberMethod(std::u16string_view name, int argc) {
  return {name, CallKind::Call, argc, argc, &detail::callMember<Member>, 0};
}
template <auto Member>
MemberOperation memberMethod(std::u16string_view name, int minArgs, int maxArgs) {
  return {name, CallKind::Call, minArgs, maxArgs, &detail::callMember<Member>, 0};
}
// The member function `Member` as a read-only property.
template <auto Member>
MemberOperation memberProperty(std::u16string_view name) {
  return {name, CallKind::Call, 0, 0, &detail::callMember<Member>, 0};
}

class OperationTable {
 public:
  explicit OperationTable(std::vector<MemberOperation> operations);

  // Raises kUnknownOperation when no operation has the name.
  DispId idOfName(std::u16string_view name) const;
  // The operation with the id and kind that takes `argumentCount` arguments. Raises
  // kUnknownOperation or kWrongArgumentCount.
  const MemberOperation& operation(DispId id, CallKind kind, std::size_t argumentCount) const;

 private:
  std::vector<MemberOperation> operations_;
};

class DispatchObject : public Object {
 public:
  explicit DispatchObject(std::vector<Operation> operations = {});
  // An object of a class whose operations are `table`; the table must outlive the object (a
  // function-local static does).
  explicit DispatchObject(const OperationTable& table) : table_(&table) {}

  DispId idOfName(std::u16string_view name) const override;
  Variant invoke(DispId id, CallKind kind, std::span<Argument> args) override;

 protected:
  // For objects whose handlers capture `this`: declare the table after construction.
  void declare(std::vector<Operation> operations);

 private:
  std::vector<Operation> operations_;
  const OperationTable* table_ = nullptr;
};

}  // namespace tarn::automation
