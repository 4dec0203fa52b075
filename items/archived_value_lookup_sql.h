// The fixed SQL pieces of the archived-value lookup: an item's values in UserDefine, by value and
// by alias, each the item's head + caption + kByValue or kByAlias + value + kValueEnd. A
// user-defined item's head names its section; a free item has none, so its head names none. The
// earlier revision of the component (TARN_EARLIER_REVISION) writes its literals without the N
// prefix of Unicode literals.
#pragma once

#include <string_view>

namespace tarn::items::archived_value_lookup_sql {

#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kHeaderItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass = '单据头' and B.cItem = '";
inline constexpr std::u16string_view kBodyItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass = '单据体' and B.cItem = '";
inline constexpr std::u16string_view kFreeItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem = '";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue = '";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias = '";
#else
inline constexpr std::u16string_view kHeaderItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass =N'单据头' and B.cItem =N'";
inline constexpr std::u16string_view kBodyItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B "
    u"where B.cClass =N'单据体' and B.cItem =N'";
inline constexpr std::u16string_view kFreeItemValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue =N'";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias =N'";
#endif
inline constexpr std::u16string_view kValueEnd = u"'";

}  // namespace tarn::items::archived_value_lookup_sql
