// Readable test output for UTF-16 text: tests compare UTF-8 renderings of component text, so a
// failing comparison shows the Chinese captions and SQL as they are.
#pragma once

#include <string>
#include <string_view>

#include "tarnvelloc/automation/text.h"

namespace tarn::testing {

inline std::string utf8(std::u16string_view text) { return automation::toUtf8(text); }
inline std::u16string utf16(std::string_view text) { return automation::fromUtf8(text); }

}  // namespace tarn::testing
