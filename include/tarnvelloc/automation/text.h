// Text helpers shared by every layer. Component text is UTF-16; UTF-8 appears only at the edges
// (command line, files, logs, test expectations, the database boundary). "Blanks" are the space
// character U+0020 only: tabs, line breaks and the ideographic space are not blanks.
// Lower-casing is ASCII only. None of the comparisons allocates.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarn::automation {

// Conversions that never fail: an unpaired surrogate (UTF-16) or a malformed sequence (UTF-8)
// becomes U+FFFD. Text that must arrive exactly checks findUnpairedSurrogate first.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);
// The same, appending to `out` (whose capacity is reused).
void appendUtf16(std::u16string& out, std::string_view utf8);
void appendUtf8(std::string& out, std::u16string_view utf16);

// The position of the first surrogate code unit that is not half of a pair, or npos when the
// text is well-formed UTF-16.
std::size_t findUnpairedSurrogate(std::u16string_view text);

// Removes leading and trailing U+0020 characters.
std::u16string trimBlanks(std::u16string_view text);

// Lower-cases A-Z only; every other code unit is kept.
std::u16string asciiLower(std::u16string_view text);

// True when the texts are equal after ASCII lower-casing.
bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace tarn::automation
