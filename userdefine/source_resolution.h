// Where a user-defined item's values come from and which rows the user may see: the steps
// GetRefSQL and ValidateAr share. Every function raises AutomationError on a failure (a
// service call that fails, a Null where text is needed, a suffix that is not a number); the
// calling method's handler decides what that means.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "items/sections.h"
#include "services/outside_services.h"
#include "tarnvelloc/automation/variant.h"

namespace tarn::userdefine {

using items::kBodySection;
using items::kHeaderSection;

using velloc::kArchiveSource;
using velloc::kListSource;
using velloc::kVoucherSource;

// True when both selectors are in range: a source of the three, and header or body.
bool validSelectors(std::int16_t iDataSrcType, std::int16_t iVoucherSec);

// True when the first seven characters of the trimmed field name, lower-cased, are "cdefine".
bool hasItemPrefix(std::u16string_view name);

struct ItemName {
  std::u16string caption;  // "自定义项" + the item's number within its section
  std::int16_t section;    // kHeaderSection or kBodySection
};

// Maps a trimmed field name whose "cdefine" prefix the caller has checked. Eight characters: a
// header item captioned with the last character as it stands. Nine characters: the last two read
// as a number n; n < 17 gives a header item captioned with those two characters as they stand
// (cdefine10..cdefine16), 22..37 body items 1..16, any other n nothing; two characters that are
// not a number raise. Any other length: nothing.
std::optional<ItemName> ParseDefName(std::u16string_view name);

struct VoucherDef {
  std::u16string table;      // Vouchers.BTTblName
  std::u16string condition;  // Vouchers.cDefWhere, Null read as "", a leading "where " dropped
};

// The Vouchers row of a card number, as GetRefSQL reads it: OpenX(sql, flag, text) with the
// caller's flag and text variables (GetFieldNames receives the same two later).
std::optional<VoucherDef> ReadVoucherDef(services::VoucherDataService& voucherData,
                                         std::u16string_view cardNumber, automation::Variant& flag,
                                         automation::Variant& text);
// The same, as ValidateAr reads it: its own query text and OpenX(sql) alone.
std::optional<VoucherDef> ReadVoucherDef(services::VoucherDataService& voucherData,
                                         std::u16string_view cardNumber);

// The key column the access filter restricts for an archive-type table ("" for none).
std::u16string GetArchiveKey(std::u16string_view tableName);

// The access filter for a table: "1=1", or key + " in (" + answer + ")"; nothing when the
// row-authorisation service refuses ("1=2"). The service is asked only for a table with a key
// column, with the table name as the caller spelled it.
// `tableName` is the caller's working variable, passed by reference: a name the service writes
// back is what the caller goes on with.
std::optional<std::u16string> GetAuthFilter(services::RowAuthorisationService& rowAuth,
                                            std::u16string& tableName);

}  // namespace tarn::userdefine
