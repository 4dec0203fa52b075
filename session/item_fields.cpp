#include "session/item_fields.h"

#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

// The number after `prefix` when `field` is the prefix (ASCII case ignored) and a number without
// sign or leading zero, blanks around ignored; 0 otherwise.
int itemNumber(std::u16string_view field, std::u16string_view prefix) {
  const std::u16string name = automation::asciiLower(automation::trimBlanks(field));
  if (!name.starts_with(prefix)) return 0;
  const std::u16string_view digits = std::u16string_view(name).substr(prefix.size());
  if (digits.empty() || digits.size() > 2 || digits.front() == u'0') return 0;
  int number = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') return 0;
    number = number * 10 + (c - u'0');
  }
  return number;
}

std::string quoted(std::u16string_view field) {
  return "'" + printable(automation::toUtf8(field)) + "'";
}

}  // namespace

std::optional<std::string> userDefinedFieldProblem(std::u16string_view field) {
  const int number = itemNumber(field, u"cdefine");
  if ((number >= 1 && number <= 16) || (number >= 22 && number <= 37)) return std::nullopt;
  return "unknown user-defined item field " + quoted(field) +
         " (header items are cdefine1..cdefine16, body items cdefine22..cdefine37)";
}

std::optional<std::string> freeFieldProblem(std::u16string_view field) {
  const int number = itemNumber(field, u"cfree");
  if (number >= 1 && number <= 10) return std::nullopt;
  return "unknown free item field " + quoted(field) + " (free items are cfree1..cfree10)";
}

}  // namespace tarn::session
