// The fixed pieces of the inventory lookup and of the parts-list query of a structured free
// item, in the order they are joined. The earlier revision of the component
// (TARN_EARLIER_REVISION) writes its literals without the N prefix of Unicode literals.
#pragma once

#include <string_view>

namespace tarn::freeitem::structured_free_reference_sql {

#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kSelectInventory =
    u"select * from Inventory where cInvCode = '";
inline constexpr std::u16string_view kFromParts = u"] from bas_part where InvCode = '";
inline constexpr std::u16string_view kColumnLike = u" like '%";
#else
inline constexpr std::u16string_view kSelectInventory =
    u"select * from Inventory where cInvCode =N'";
inline constexpr std::u16string_view kFromParts = u"] from bas_part where InvCode =N'";
inline constexpr std::u16string_view kColumnLike = u" like N'%";
#endif
// Closes the inventory code literal of both queries.
inline constexpr std::u16string_view kCodeEnd = u"'";
inline constexpr std::u16string_view kSelectDistinct = u"select distinct ";
// Opens the column caption alias; kFromParts closes it.
inline constexpr std::u16string_view kAliasOpen = u" as [";
inline constexpr std::u16string_view kAnd = u" and ";
inline constexpr std::u16string_view kMatchEnd = u"%'";

}  // namespace tarn::freeitem::structured_free_reference_sql
