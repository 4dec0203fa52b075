// An item's definition as UserDef holds it, and what the archiving step would find wrong with a
// value: the host's reading of the rules the component applies before it archives a new value,
// so that a door can say why a value was not archived, and whether it could be.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {

struct ItemDefinition {
  std::u16string id;    // cId
  std::u16string type;  // cType: 文本 text, 数字 number, 整型 whole number, 日期 date
  std::int64_t maxLength = 0;  // iMaxLen, 0 for Null, as the archiving step reads it
  // The archiving step cannot read the row (a Null cId or cType, an iMaxLen outside the 16-bit
  // range): it fails, and the item takes no value.
  bool unreadable = false;
};

// User-defined items are checked by their type, free items by their length only.
enum class ItemRules { kTyped, kLengthOnly };

enum class ValueProblem {
  kNone,
  kNotANumber,
  kNotAWholeNumber,
  kNotADate,
  kTooLong,
  kClosed,  // no value but perhaps the empty one could ever pass: the item takes no new values
};

// The first UserDef row of the item captioned `caption` ('自定义项N', '自由项N') in `itemClass`
// ('单据头', '单据体'; none for a free item), as the component reads it.
std::optional<ItemDefinition> readItemDefinition(erp::HeldConnection& connection,
                                                 std::u16string_view caption,
                                                 std::optional<std::u16string_view> itemClass);

// What keeps `value` from being archived under `item`'s rules; kNone when it would pass.
ValueProblem archivingProblem(const ItemDefinition& item, std::u16string_view value,
                              ItemRules rules);

// The value tests of the typed rules, read as the component reads them: the whole value, nothing
// skipped. A number: [sign] (digits ["." [digits]] | "." digits) [("e"|"E") [sign] digits]. A
// date: year (4 digits, 1-9999), month, day (1-2 digits each, a real calendar day) separated by
// the same "-" or "/", then optionally " " hour(1-2):minute(2)[:second(2)].
bool readsAsNumber(std::u16string_view value);
bool readsAsDate(std::u16string_view value);

}  // namespace tarn::session
