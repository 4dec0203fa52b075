// The fixed SQL pieces of ValidateAr: the money-column count over the catalogue views, the
// source lookups of the archive and voucher sources, and the UserDefine lookups by value and by
// alias. The earlier revision of the component (TARN_EARLIER_REVISION) writes the literals that
// hold caller data without the N prefix of Unicode literals; the catalogue query is the same in
// both.
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

// The section's head + caption + kByValue or kByAlias + value + kTextEnd.
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kHeaderItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass = '单据头' and B.cItem = '";
inline constexpr std::u16string_view kBodyItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass = '单据体' and B.cItem = '";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue = '";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias = '";
#else
inline constexpr std::u16string_view kHeaderItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass =N'单据头' and B.cItem =N'";
inline constexpr std::u16string_view kBodyItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass =N'单据体' and B.cItem =N'";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue =N'";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias =N'";
#endif

}  // namespace tarn::userdefine::validate_sql
