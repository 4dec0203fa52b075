// The result codes of the two validation methods, ValidateAr and ValidateFreeAr.
#pragma once

#include <cstdint>

#include "tarnvelloc/component/working_values.h"

namespace tarn::items {

using velloc::kAccepted;
using velloc::kArchived;
using velloc::kNotArchived;
using velloc::kRefused;

// The result of a validation refused before any lookup, and of a failure while the running
// result stands at kRefused: the caller allowed archiving, so the value was not archived, or it
// did not, so the value is refused.
inline constexpr std::int16_t refusalCode(bool bBuildAr) {
  return bBuildAr ? kNotArchived : kRefused;
}

}  // namespace tarn::items
