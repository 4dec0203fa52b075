// Fuzz input bytes as component text (UTF-16). Well-formed UTF-8 decodes as usual, so that seed
// files and dictionary entries are readable; the three-byte forms of U+D800..U+DFFF decode to
// lone surrogates, so that a target also reaches text that is not well-formed UTF-16; any other
// byte stands for the code unit of the same value.
#pragma once

#include <string>
#include <string_view>

namespace tarn::fuzz {

std::u16string fuzzText(std::string_view bytes);

}  // namespace tarn::fuzz
