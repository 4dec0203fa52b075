// ValidateFreeAr's work: whether a value typed into a free item of an inventory line is one of
// the item's archived values in UserDefine or the alias of one, and archiving a value found
// nowhere, under the length rule only, when the caller allows it. The value is used exactly as
// typed: it is never trimmed.
//
// The logic raises on every failure and never catches; the component method's one handler reads
// the running result to choose the failure code (-2 when bBuildAr is true and the running result
// stands at -1, else -1). A record set still held when a failure unwinds is released, not closed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "services/outside_services.h"

namespace tarn::freeitem {

// Returns the validation code (items::kAccepted, kRefused, kNotArchived, kArchived).
// sFreeVal is replaced by the archived value when it matched an alias. `running` is the running
// result: 0 until the value lookup has found nothing, then -1, and 1 or -2 after archiving.
std::int16_t validateFreeItemValue(services::ArchiveDataService& archiveData,
                                   std::u16string_view sFreeFldName, std::u16string& sFreeVal,
                                   bool bBuildAr, std::int16_t& running);

}  // namespace tarn::freeitem
