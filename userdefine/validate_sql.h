// The fixed SQL pieces of ValidateAr: the money-column count over the catalogue views and the
// source lookups of the archive and voucher sources (the UserDefine lookups that follow are the
// archived-value lookup's, archived_value_lookup_sql.h). The earlier revision of the component
// (TARN_EARLIER_REVISION) writes the literals that hold caller data without the N prefix of Unicode
// literals; the catalogue query is the same in both.
#pragma once

#include <string_view>

namespace tarn::userdefine::validate_sql {

// kMoneyColumnHead + table + kMoneyColumnMiddle + field + kMoneyColumnEnd. No blank separates
// the quote that closes the table name from the "and" that follows it.
inline constexpr std::u16string_view kMoneyColumnHead =
    u"select count(*) from sysobjects, syscolumns, systypes "
    u"where sysobjects.id = syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = '";
inline constexpr std::u16string_view kMoneyColumnMiddle =
    u"'and syscolumns.xusertype = systypes.xtype and "
    u"(systypes.name = 'money' or systypes.name = 'smallmoney') and syscolumns.name = '";
inline constexpr std::u16string_view kMoneyColumnEnd = u"'";

// kSelectFrom + table + kWhere + field + the comparison with the value.
inline constexpr std::u16string_view kSelectFrom = u"select * from ";
inline constexpr std::u16string_view kWhere = u" where ";
// Archive source: the bare number or the literal, then kArchiveFilter + access filter.
inline constexpr std::u16string_view kArchiveEqualsNumber = u" = ";
// Voucher source: the bare number or the literal, then the default condition, if any, as
// kVoucherConditionOpen + condition + kVoucherConditionClose.
inline constexpr std::u16string_view kVoucherEqualsNumber = u"= ";
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kArchiveEqualsText = u" = '";
inline constexpr std::u16string_view kVoucherEqualsText = u"= '";
#else
inline constexpr std::u16string_view kArchiveEqualsText = u" =N'";
inline constexpr std::u16string_view kVoucherEqualsText = u"=N'";
#endif
inline constexpr std::u16string_view kTextEnd = u"'";
inline constexpr std::u16string_view kArchiveFilter = u" and ";
inline constexpr std::u16string_view kVoucherConditionOpen = u" and (";
inline constexpr std::u16string_view kVoucherConditionClose = u")";

}  // namespace tarn::userdefine::validate_sql
