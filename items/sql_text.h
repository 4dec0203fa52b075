// Making caller text safe inside the SQL the component builds, without changing anything for
// text that needs no escaping:
//   - text placed inside a string literal ('…' or N'…') has every apostrophe doubled;
//   - text placed between '[' and ']' has every ']' doubled.
// LIKE wildcards (%, _) are left as typed: a user may search with them.
#pragma once

#include <string>
#include <string_view>

namespace tarn::items {

std::u16string literalText(std::u16string_view text);
std::u16string bracketedText(std::u16string_view text);

}  // namespace tarn::items
