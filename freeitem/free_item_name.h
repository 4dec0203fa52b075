// The field name of a free item of an inventory line: "cfree" in any letter case followed by
// at least one character, the suffix (as a rule the item's number, but any text passes). Blanks
// (U+0020) around the name are ignored. The suffix names the item: UserDef captions it
// "自由项" + suffix, and the structured parts list keeps it in a column named like the field
// without its first character.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::freeitem {

struct FreeItemName {
  std::u16string name;    // the field name without its surrounding blanks
  std::u16string suffix;  // everything after the fifth character, letter case kept

  // The item's UserDef caption: "自由项" + suffix.
  std::u16string itemCaption() const;
};

// Nothing when the trimmed name's first five characters, ASCII lower-cased, are not "cfree",
// or when nothing follows them.
std::optional<FreeItemName> parseFreeItemName(std::u16string_view fieldName);

}  // namespace tarn::freeitem
