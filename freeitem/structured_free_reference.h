// The pick-list of a free item of one inventory. An inventory marks each free item as
// structured or not in its Inventory row (the flag column "bConfig" + the field name without
// its first character). A free item that is not structured takes the values archived in
// UserDefine (buildFreeReference); a structured one, or one of an inventory without a row,
// takes the inventory's values from its parts list, bas_part. Every function raises on failure;
// the caller's handler decides the result.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "items/reference.h"
#include "services/outside_services.h"

namespace tarn::freeitem {

// Opens `connection` with the stored connection string, looks up the inventory by its trimmed
// code, reads the flag column named from `sFreeFldName` exactly as passed, then closes the row
// set and the connection. True only when a row exists and its flag reads false (a Null flag
// counts as structured). A missing flag column raises; the handle unwinding then releases the
// row set and the connection without closing them.
bool isUnstructuredFreeItem(services::Connection connection, const std::u16string& sConn,
                            std::u16string_view sInvCode, std::u16string_view sFreeFldName);

// Nothing when the field name is not a free item name. Otherwise the distinct values of the
// item's column in bas_part for the inventory code as passed (filtered on the trimmed match
// text when that is not empty), captioned by the utility service's inventory free-item text +
// the suffix; the column set is that caption and the width the text "3000".
std::optional<items::Reference> buildPartsReference(services::UtilityService& utility,
                                                    std::u16string_view sInvCode,
                                                    std::u16string_view sFreeFldName,
                                                    std::u16string_view sMatchVal);

}  // namespace tarn::freeitem
