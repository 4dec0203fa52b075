// The fixed SQL pieces of ValidateFreeAr: the UserDefine lookups of a free item's archived
// values, by value and by alias, each kSelectValues + caption + kByValue or kByAlias + value +
// kValueEnd. Free items have no section, so no piece names one. The earlier revision of the
// component (TARN_EARLIER_REVISION) writes its literals without the N prefix of Unicode literals.
#pragma once

#include <string_view>

namespace tarn::freeitem::free_validation_sql {

#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kSelectValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem = '";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue = '";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias = '";
#else
inline constexpr std::u16string_view kSelectValues =
    u"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'";
inline constexpr std::u16string_view kByValue = u"' and B.cID = A.cID and A.cValue =N'";
inline constexpr std::u16string_view kByAlias = u"' and B.cID = A.cID and A.cAlias =N'";
#endif
inline constexpr std::u16string_view kValueEnd = u"'";

}  // namespace tarn::freeitem::free_validation_sql
