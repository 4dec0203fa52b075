// The result codes of the two validation methods, ValidateAr and ValidateFreeAr.
#pragma once

#include <cstdint>

namespace tarn::items {

inline constexpr std::int16_t kAccepted = 0;
inline constexpr std::int16_t kRefused = -1;
inline constexpr std::int16_t kNotArchived = -2;
inline constexpr std::int16_t kArchived = 1;

// The result of a validation refused before any lookup, and of a failure while the running
// result stands at kRefused: the caller allowed archiving, so the value was not archived, or it
// did not, so the value is refused.
inline constexpr std::int16_t refusalCode(bool bBuildAr) {
  return bBuildAr ? kNotArchived : kRefused;
}

}  // namespace tarn::items
