// DispatchObject declares an object as a table of operations: name, call kind, accepted
// argument counts and a handler. The outside components, the record sets, the test fakes and
// the component's own published face are all built this way.
//
// Dispatch ids: an operation may carry a fixed id; otherwise ids are given in table order from
// 1. A property's get (CallKind::Call) and set (CallKind::PropertySet) share one name and so one
// id. Names are matched with ASCII case ignored.
#pragma once

#include <functional>
#include <string>
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

class DispatchObject : public Object {
 public:
  explicit DispatchObject(std::vector<Operation> operations = {});

  DispId idOfName(std::u16string_view name) const override;
  Variant invoke(DispId id, CallKind kind, std::span<Argument> args) override;

 protected:
  // For objects whose handlers capture `this`: declare the table after construction.
  void declare(std::vector<Operation> operations);

 private:
  std::vector<Operation> operations_;
};

}  // namespace tarn::automation
