#include "freeitem/free_item_name.h"

#include "tarnvelloc/automation/text.h"

namespace tarn::freeitem {
namespace {

constexpr std::u16string_view kPrefix = u"cfree";
constexpr std::u16string_view kCaptionPrefix = u"自由项";

}  // namespace

std::u16string FreeItemName::itemCaption() const { return std::u16string(kCaptionPrefix) + suffix; }

std::optional<FreeItemName> parseFreeItemName(std::u16string_view fieldName) {
  std::u16string name = automation::trimBlanks(fieldName);
  if (name.size() <= kPrefix.size()) return std::nullopt;
  if (automation::asciiLower(name.substr(0, kPrefix.size())) != kPrefix) return std::nullopt;
  std::u16string suffix = name.substr(kPrefix.size());
  return FreeItemName{std::move(name), std::move(suffix)};
}

}  // namespace tarn::freeitem
