// The paths through the archived-value lookup that both validation methods end with, as table
// rows: what UserDefine and UserDef answer, what Add answers, and what the caller sees.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/variant.h"
#include "tests/kit/validation_fixtures.h"

namespace tarn::testing {

struct ArchivedValuePath {
  const char* name;
  bool bBuildAr;
  std::vector<Rows> archiveAnswers;  // value lookup, alias lookup, definition
  automation::Variant addAnswer;
  std::int16_t expected;
  const char* value;  // the caller's variable afterwards
  std::vector<std::string> log;
};

// Calls a validation of the item under test on a ready component.
using ValidationCall = std::function<ValidationOutcome(velloc::clsVelloc&, bool bBuildAr)>;

// In a new world answering as `path` says, checks the result, the caller's variable, the whole
// call log, and that every record set made was closed.
void expectArchivedValuePath(const ArchivedValuePath& path, const ValidationCall& validate);

}  // namespace tarn::testing
