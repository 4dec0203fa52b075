#include "fuzz/support/fuzz_text.h"

namespace tarn::fuzz {
namespace {

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::u16string fuzzText(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    char32_t cp = lead;
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xF4) {
      const std::size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      bool whole = i + need <= bytes.size();
      for (std::size_t k = 1; whole && k < need; ++k) {
        whole = isContinuation(static_cast<unsigned char>(bytes[i + k]));
      }
      if (whole) {
        char32_t decoded = lead & (0x7F >> need);
        for (std::size_t k = 1; k < need; ++k) {
          decoded = (decoded << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        }
        const bool overlong = (need == 3 && decoded < 0x800) || (need == 4 && decoded < 0x10000);
        if (!overlong && decoded <= 0x10FFFF) {
          cp = decoded;
          length = need;
        }
      }
    }
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
    i += length;
  }
  return out;
}

}  // namespace tarn::fuzz
