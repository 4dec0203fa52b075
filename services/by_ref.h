// Passing a string variable of the component by reference: the callee sees it as a Variant and
// may replace it; when the call returns, the replacement is what the component goes on with.
#pragma once

#include <string>

#include "tarnvelloc/automation/object.h"

namespace tarn::services {

class StringByRef {
 public:
  explicit StringByRef(std::u16string& target) : target_(target), slot_(target) {}
  automation::Argument argument() { return automation::Argument::byRef(slot_); }
  // Copies the (possibly replaced) value back into the component's variable.
  void commit() { target_ = slot_.toString(); }

 private:
  std::u16string& target_;
  automation::Variant slot_;
};

}  // namespace tarn::services
