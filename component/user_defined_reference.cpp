// GetRefSQL: runs its work under one catch-all handler that turns any failure into false, with
// the caller's outputs untouched.
#include <utility>

#include "component/clsVelloc.h"
#include "userdefine/ref_sql.h"

namespace tarn::velloc {

bool clsVelloc::GetRefSQL(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                          std::u16string sUserDefName, std::u16string sTableName,
                          std::u16string sFieldName, std::u16string sCardNumber,
                          std::u16string sMatchVal, std::u16string& sRefSql,
                          std::u16string& sRefColSet, automation::Variant& sRefColWidth) {
  try {
    userdefine::RefSqlServices services{
        services::VoucherDataService(g_oVoDbSrv), services::ColumnSettingsService(g_ColSet),
        services::RowAuthorisationService(g_oRowAuth), services::UtilityService(m_oUtil)};
    auto reference = userdefine::buildUserDefinedReference(
        services, {iDataSrcType, iVoucherSec, std::move(sUserDefName), std::move(sTableName),
                   std::move(sFieldName), std::move(sCardNumber), std::move(sMatchVal)});
    if (!reference) return false;
    items::writeReference(std::move(*reference), sRefSql, sRefColSet, sRefColWidth);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tarn::velloc
