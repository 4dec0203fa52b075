// The named values of the working methods' arguments and results, for the component's own parts
// and for its hosts, so that no caller spells a source, a section or a validation code as a bare
// number.
#pragma once

#include <cstdint>

namespace tarn::velloc {

// iDataSrcType of GetRefSQL and ValidateAr: where a user-defined item's values come from. The
// item's own list (UserDefine), an archive table, or the table a voucher card names.
inline constexpr std::int16_t kListSource = 0;
inline constexpr std::int16_t kArchiveSource = 1;
inline constexpr std::int16_t kVoucherSource = 2;

// iVoucherSec of GetRefSQL and ValidateAr: the voucher section a user-defined item belongs to.
inline constexpr std::int16_t kHeaderSection = 0;
inline constexpr std::int16_t kBodySection = 1;

// The result of ValidateAr and ValidateFreeAr.
inline constexpr std::int16_t kAccepted = 0;      // a known value, or an alias replaced by it
inline constexpr std::int16_t kRefused = -1;      // found nowhere, and archiving not asked for
inline constexpr std::int16_t kNotArchived = -2;  // found nowhere, and it could not be archived
inline constexpr std::int16_t kArchived = 1;      // found nowhere, and archived as a new value

}  // namespace tarn::velloc
