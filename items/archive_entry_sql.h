// The fixed SQL pieces of the archiving step: the three item-definition queries (header item,
// body item, free item), each followed by the caption and kDefinitionEnd. The earlier revision
// of the component (TARN_EARLIER_REVISION) writes its literals without the N prefix of Unicode
// literals.
#pragma once

#include <string_view>

namespace tarn::items::archive_entry_sql {

#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kHeaderItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cClass = '单据头' and B.cItem = '";
inline constexpr std::u16string_view kBodyItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cClass = '单据体' and B.cItem = '";
inline constexpr std::u16string_view kFreeItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cItem = '";
#else
inline constexpr std::u16string_view kHeaderItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cClass =N'单据头' and B.cItem =N'";
inline constexpr std::u16string_view kBodyItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cClass =N'单据体' and B.cItem =N'";
inline constexpr std::u16string_view kFreeItemDefinition =
    u"select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    u"where B.cItem =N'";
#endif
inline constexpr std::u16string_view kDefinitionEnd = u"'";

}  // namespace tarn::items::archive_entry_sql
