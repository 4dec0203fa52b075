// The fixed SQL pieces of source resolution: the Vouchers lookup of a card number (GetRefSQL and
// ValidateAr each write it their own way) and the access filter's condition texts. Kept
// together so that a build of the earlier revision can swap the whole set.
#pragma once

#include <string_view>

namespace tarn::userdefine::source_sql {

// Followed by the card number and kVoucherQueryTail.
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kVoucherQueryForReference =
    u"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = '";
inline constexpr std::u16string_view kVoucherQueryForValidation = kVoucherQueryForReference;
#else
inline constexpr std::u16string_view kVoucherQueryForReference =
    u"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = N'";
inline constexpr std::u16string_view kVoucherQueryForValidation =
    u"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'";
#endif
inline constexpr std::u16string_view kVoucherQueryTail = u"'";

// The condition that restricts nothing.
inline constexpr std::u16string_view kNoRestriction = u"1=1";
// key + kKeyListOpen + the service's answer + kKeyListClose.
inline constexpr std::u16string_view kKeyListOpen = u" in (";
inline constexpr std::u16string_view kKeyListClose = u")";

}  // namespace tarn::userdefine::source_sql
