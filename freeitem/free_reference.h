// The pick-list of a free item: the values archived in UserDefine for the item, with the
// columns the column-settings service holds under the layout key "UserDefFreeRef". Raises on
// every failure of the service or of the column set; the caller's handler decides the result.
#pragma once

#include <optional>
#include <string_view>

#include "items/reference.h"
#include "services/outside_services.h"

namespace tarn::freeitem {

// The layout key of every free item.
inline constexpr std::u16string_view kFreeItemLayoutKey = u"UserDefFreeRef";

// Nothing, with no service called, when the field name is not a free item name. Otherwise the
// query of the item's values (filtered on value and alias containing the trimmed match text,
// when that is not empty) with the service's select list, the column captions joined by ',',
// and an empty width text. The column set is closed once read.
std::optional<items::Reference> buildFreeReference(services::ColumnSettingsService& columnSettings,
                                                   std::u16string_view sFreeFldName,
                                                   std::u16string_view sMatchVal);

}  // namespace tarn::freeitem
