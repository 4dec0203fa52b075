// The fixed pieces of the SQL that GetRefSQL builds, for all three sources. Kept together so
// that a build of the earlier revision (plain '…' literals, its own blanks) can swap the whole
// set without touching the logic in ref_sql.cpp.
#pragma once

#include <string_view>

namespace tarn::userdefine::ref_sql {

// List source: template + caption + kListItemJoin. The header and body templates differ by one
// blank after cClass; callers rely on the exact texts, so the difference is kept.
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kListHeaderTemplate =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据头' and "
    u"B.cItem = '";
inline constexpr std::u16string_view kListBodyTemplate =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据体' and "
    u"B.cItem = '";
#else
inline constexpr std::u16string_view kListHeaderTemplate =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N'单据头' and "
    u"B.cItem =N'";
inline constexpr std::u16string_view kListBodyTemplate =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据体' and "
    u"B.cItem =N'";
#endif
inline constexpr std::u16string_view kListItemJoin = u"' and B.cID = A.cID";
// kListMatchOpen + field + kLikeOpen + m + kListAliasLike + m + kListMatchClose.
inline constexpr std::u16string_view kListMatchOpen = u" and (";
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kListAliasLike = u"%' or cAlias like '%";
#else
inline constexpr std::u16string_view kListAliasLike = u"%' or cAlias like N'%";
#endif
inline constexpr std::u16string_view kListMatchClose = u"%')";

// Archive source: kArchiveSelect + join + kWhere + filter.
inline constexpr std::u16string_view kArchiveSelect = u"select * from ";
// The match condition on the person table names its column through the table.
inline constexpr std::u16string_view kPersonAnd = u" and person.";

// Voucher source: kVoucherSelect + kFirstField + name + (kNextField + name)... + kFrom + table.
inline constexpr std::u16string_view kVoucherSelect = u"select";
inline constexpr std::u16string_view kFirstField = u" ";
inline constexpr std::u16string_view kNextField = u", ";
inline constexpr std::u16string_view kFrom = u" from ";

// Shared: field + kLikeOpen + m + kLikeClose, introduced by kWhere or kAnd.
inline constexpr std::u16string_view kWhere = u" where ";
inline constexpr std::u16string_view kAnd = u" and ";
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kLikeOpen = u" like '%";
#else
inline constexpr std::u16string_view kLikeOpen = u" like N'%";
#endif
inline constexpr std::u16string_view kLikeClose = u"%'";

}  // namespace tarn::userdefine::ref_sql
