// Archiving a new value of an item: the step both validation methods take when a typed value was
// found nowhere and the caller allows it to be added. It reads the item's definition from
// UserDef, checks the value against the item's rules, and hands the archive entry record to the
// archive data service's Add, the component's only write.
//
// Nothing is sent before every check has passed, and the record goes out at most once per call.
// Every failure (a service call that fails, a Null cId or cType, an iMaxLen outside the 16-bit
// range, an Add result that cannot be read as a Boolean: Null, an object, text other than
// True/False or a number) raises; the validation method's handler turns it into its failure
// code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "items/result_codes.h"
#include "items/sections.h"
#include "services/outside_services.h"

namespace tarn::items {

// User-defined items are checked by their type; free items by their length only, whatever
// their type says.
enum class ValueRules { kTyped, kLengthOnly };

// The section of a user-defined item (kHeaderSection or kBodySection); free items have none.
using ItemSection = std::optional<std::int16_t>;

struct ItemDef {
  std::u16string cId;
  std::u16string cType;
  std::int16_t iMaxLen = 0;  // 0 when UserDef holds Null
};

// The first UserDef row of the item named by `caption` in `section` (no section condition for
// a free item); nothing when there is none. The record set is closed before returning.
std::optional<ItemDef> GetItemDef(services::ArchiveDataService& archiveData,
                                  std::u16string_view caption, ItemSection section);

// True when `value` passes the item's rules. The length rule compares the number of UTF-16 code
// units with iMaxLen as signed numbers, so a negative iMaxLen refuses even the empty value. The
// typed rules: "文本" the length rule; "数字" a number; "整型" a number without "."; "日期" a
// date containing "-"; any other type (compared exactly) takes every value.
bool CheckItemValue(const ItemDef& def, std::u16string_view value, ValueRules rules);

// "<Userdefine><cId>" cId "</cId><cValue>" value "</cValue></Userdefine>", with & < > " '
// in cId and value written as XML entities.
std::u16string MakeUserDefineRecord(std::u16string_view cId, std::u16string_view value);

// kArchived when Add took the value; kNotArchived when the item has no definition, the value
// fails its rules (Add is then not called) or Add answered false.
std::int16_t AddArchiveValue(services::ArchiveDataService& archiveData, std::u16string_view caption,
                             ItemSection section, std::u16string_view value, ValueRules rules);

}  // namespace tarn::items
