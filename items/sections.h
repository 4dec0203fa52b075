// The sections of a voucher a user-defined item belongs to, as UserDef.cClass names them.
// Free items belong to an inventory line and have no section.
#pragma once

#include "tarnvelloc/component/working_values.h"

namespace tarn::items {

using velloc::kBodySection;
using velloc::kHeaderSection;

}  // namespace tarn::items
