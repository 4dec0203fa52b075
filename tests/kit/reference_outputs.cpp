#include "tests/kit/reference_outputs.h"

#include "tests/kit/printers.h"

namespace tarn::testing {

std::string ReferenceOutputs::text() const {
  return utf8(sRefSql) + " | " + utf8(sRefColSet) + " | " + sRefColWidth.describe();
}

std::string untouchedOutputs() { return ReferenceOutputs{}.text(); }

std::string referenceOutcome(bool result, const ReferenceOutputs& outputs) {
  return (result ? "true | " : "false | ") + outputs.text();
}

std::string refusedReference() { return referenceOutcome(false, ReferenceOutputs{}); }

}  // namespace tarn::testing
