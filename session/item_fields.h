// The item field names the doors accept: every name the component can accept, so that a door
// refuses only what no database could ever make valid, and says what would be accepted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::session {

// Nothing when the component can take `field` as a user-defined item's field name; otherwise the
// message for the user. Blanks around the name are ignored. After "cdefine" (any letter case)
// comes either one character (header item named by it) or two characters that read as a number
// below 17 (header item) or from 22 to 37 (body item 1 to 16).
std::optional<std::string> userDefinedFieldProblem(std::u16string_view field);

// Nothing when `field` is "cfree" (any letter case) followed by at least one character, blanks
// around ignored; otherwise the message.
std::optional<std::string> freeFieldProblem(std::u16string_view field);

}  // namespace tarn::session
