// The sections of a voucher a user-defined item belongs to, as UserDef.cClass names them.
// Free items belong to an inventory line and have no section.
#pragma once

#include <cstdint>

namespace tarn::items {

inline constexpr std::int16_t kHeaderSection = 0;
inline constexpr std::int16_t kBodySection = 1;

}  // namespace tarn::items
