#include "session/item_fields.h"

#include <algorithm>

#include "session/text_table.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/automation/variant.h"

namespace tarn::session {
namespace {

constexpr std::u16string_view kUserDefinedPrefix = u"cdefine";
constexpr std::u16string_view kFreePrefix = u"cfree";

bool hasPrefix(std::u16string_view name, std::u16string_view prefix) {
  return automation::asciiLower(name.substr(0, prefix.size())) == prefix;
}

// Whether the component names an item by this two-character suffix: it reads the pair as a
// number the way it reads any text as a number, and a pair it cannot read fails the request.
bool itemNumberSuffix(std::u16string_view suffix) {
  try {
    const int number = automation::Variant(std::u16string(suffix)).toInteger();
    return number < 17 || (number > 21 && number < 38);
  } catch (const automation::AutomationError&) {
    return false;
  }
}

std::string quoted(std::u16string_view field) {
  return "'" + printable(automation::toUtf8(field)) + "'";
}

}  // namespace

std::optional<std::string> userDefinedFieldProblem(std::u16string_view field) {
  const std::u16string name = automation::trimBlanks(field);
  const std::size_t suffix = name.size() - std::min(name.size(), kUserDefinedPrefix.size());
  if (hasPrefix(name, kUserDefinedPrefix) &&
      (suffix == 1 || (suffix == 2 && itemNumberSuffix(name.substr(kUserDefinedPrefix.size()))))) {
    return std::nullopt;
  }
  return "unknown user-defined item field " + quoted(field) +
         " (accepted: cdefine followed by one character, or by a two-character number below 17 "
         "or from 22 to 37)";
}

std::optional<std::string> freeFieldProblem(std::u16string_view field) {
  const std::u16string name = automation::trimBlanks(field);
  if (name.size() > kFreePrefix.size() && hasPrefix(name, kFreePrefix)) return std::nullopt;
  return "unknown free item field " + quoted(field) +
         " (accepted: cfree followed by at least one character)";
}

}  // namespace tarn::session
