// Text helpers shared by every layer. Component text is UTF-16; UTF-8 appears only at the edges
// (command line, files, logs, test expectations). "Blanks" are the space character U+0020 only:
// tabs, line breaks and the ideographic space are not blanks. Lower-casing is ASCII only.
#pragma once

#include <string>
#include <string_view>

namespace tarn::automation {

std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// Removes leading and trailing U+0020 characters.
std::u16string trimBlanks(std::u16string_view text);

// Lower-cases A-Z only; every other code unit is kept.
std::u16string asciiLower(std::u16string_view text);

// True when the texts are equal after ASCII lower-casing.
bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tarn::automation
