// GetFreeRefSQL and GetStruFreeRefSQL: each runs its work under one catch-all handler that
// turns any failure into false, with the caller's outputs untouched. The outputs are written
// last, only on success.
#include <utility>

#include "component/clsVelloc.h"
#include "component/prog_ids.h"
#include "freeitem/free_reference.h"
#include "freeitem/structured_free_reference.h"
#include "items/reference.h"
#include "services/outside_services.h"
#include "tarnvelloc/automation/factory.h"

namespace tarn::velloc {

bool clsVelloc::GetFreeRefSQL(std::u16string sFreeFldName, std::u16string sMatchVal,
                              std::u16string& sRefSql, std::u16string& sRefColSet,
                              automation::Variant& sRefColWidth) {
  try {
    services::ColumnSettingsService columnSettings(g_ColSet);
    auto reference = freeitem::buildFreeReference(columnSettings, sFreeFldName, sMatchVal);
    if (!reference) return false;
    items::writeReference(std::move(*reference), sRefSql, sRefColSet, sRefColWidth);
    return true;
  } catch (...) {
    return false;
  }
}

bool clsVelloc::GetStruFreeRefSQL(std::u16string sInvCode, std::u16string sFreeFldName,
                                  std::u16string sMatchVal, std::u16string& sRefSql,
                                  std::u16string& sRefColSet, automation::Variant& sRefColWidth) {
  try {
    services::Connection connection(automation::CreateObject(kConnectionProgId));
    if (freeitem::isUnstructuredFreeItem(std::move(connection), m_sConn, sInvCode, sFreeFldName)) {
      // Through the object's own interface, as any caller of GetFreeRefSQL would reach it.
      _clsVelloc& self = *this;
      return self.GetFreeRefSQL(sFreeFldName, sMatchVal, sRefSql, sRefColSet, sRefColWidth);
    }
    services::UtilityService utility(m_oUtil);
    auto reference = freeitem::buildPartsReference(utility, sInvCode, sFreeFldName, sMatchVal);
    if (!reference) return false;
    items::writeReference(std::move(*reference), sRefSql, sRefColSet, sRefColWidth);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tarn::velloc
