#include "items/sql_text.h"

namespace tarn::items {
namespace {

std::u16string doubling(std::u16string_view text, char16_t special) {
  std::u16string out;
  out.reserve(text.size());
  for (const char16_t c : text) {
    out += c;
    if (c == special) out += c;
  }
  return out;
}

}  // namespace

std::u16string literalText(std::u16string_view text) { return doubling(text, u'\''); }

std::u16string bracketedText(std::u16string_view text) { return doubling(text, u']'); }

}  // namespace tarn::items
