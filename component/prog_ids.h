// The ProgIDs under which the component creates its outside components. The earlier revision
// of the component (TARN_EARLIER_REVISION) creates the column-settings service under its own
// ProgID; everything else is shared.
#pragma once

#include <string_view>

namespace tarn::velloc {

inline constexpr std::u16string_view kUtilityProgId = u"TarnUtil.IUtil";
inline constexpr std::u16string_view kArchiveDataProgId = u"TarnDataSvc.IDataSvc";
inline constexpr std::u16string_view kVoucherDataProgId = u"TarnVoucherSvc.IVoucherSvc";
inline constexpr std::u16string_view kRowAuthorisationProgId = u"TarnRowAuthSvc.IRowAuth";
#ifdef TARN_EARLIER_REVISION
inline constexpr std::u16string_view kColumnSettingsProgId = u"TarnColSetSvc.IColumnSvc";
#else
inline constexpr std::u16string_view kColumnSettingsProgId = u"TarnColumnSvc.IColumnSvc";
#endif
// The database connection GetStruFreeRefSQL opens itself.
inline constexpr std::u16string_view kConnectionProgId = u"ADODB.Connection";

}  // namespace tarn::velloc
