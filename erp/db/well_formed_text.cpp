#include "erp/db/well_formed_text.h"

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

std::string hex(char16_t unit) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "U+";
  for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(unit >> shift) & 0xF];
  return text;
}

}  // namespace

void requireWellFormed(std::u16string_view text, const std::string& what) {
  const std::size_t at = automation::findUnpairedSurrogate(text);
  if (at == std::u16string_view::npos) return;
  automation::raise(automation::ErrorCode::kComponentFailure,
                    what + " is not well-formed UTF-16: unpaired surrogate " + hex(text[at]) +
                        " at code unit " + std::to_string(at));
}

}  // namespace tarn::erp::db
