// The three outputs of a reference method (sRefSql, sRefColSet, sRefColWidth) as its caller
// holds them. They start as values no method writes, so that a test sees whether a method wrote
// them. Tests read the outputs as one text and compare it whole: with untouchedOutputs() where
// the method must leave them as the caller had them, with the written texts otherwise.
#pragma once

#include <cstdint>
#include <string>

#include "tarnvelloc/automation/variant.h"

namespace tarn::testing {

struct ReferenceOutputs {
  std::u16string sRefSql = u"caller sql";
  std::u16string sRefColSet = u"caller columns";
  automation::Variant sRefColWidth = automation::Variant(std::int16_t{7});

  // "sql | column set | width", the width as Variant::describe shows it.
  std::string text() const;
};

// The text of outputs that no method has written.
std::string untouchedOutputs();

// A method's result and outputs as one text: "true | " or "false | ", then the outputs' text.
std::string referenceOutcome(bool result, const ReferenceOutputs& outputs);
// The outcome of a refused reference: false, and the outputs untouched.
std::string refusedReference();

}  // namespace tarn::testing
