// The fixed pieces of the free-item reference query, in the order they are joined. The earlier
// revision of the component (TARN_EARLIER_REVISION) writes its literals without the N prefix of
// Unicode literals; everything else is shared.
#pragma once

#include <string_view>

namespace tarn::freeitem::free_reference_sql {

#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kSelectValues =
    u"select A.cValue, A.cAlias, A.cBarCode from UserDefine A, UserDef B where B.cItem = '";
inline constexpr std::u16string_view kValueLike = u" and (cValue like '%";
inline constexpr std::u16string_view kAliasLike = u"%' or cAlias like '%";
#else
inline constexpr std::u16string_view kSelectValues =
    u"select A.cValue, A.cAlias, A.cBarCode from UserDefine A, UserDef B where B.cItem =N'";
inline constexpr std::u16string_view kValueLike = u" and (cValue like N'%";
inline constexpr std::u16string_view kAliasLike = u"%' or cAlias like N'%";
#endif
// Follows the item caption.
inline constexpr std::u16string_view kJoinDefinitions = u"' and B.cID = A.cID";
// Follows the match text inside the alias condition.
inline constexpr std::u16string_view kMatchEnd = u"%')";

}  // namespace tarn::freeitem::free_reference_sql
