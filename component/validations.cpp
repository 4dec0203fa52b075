// The two validation methods of clsVelloc: each runs its work under one catch-all handler that
// reads the running result: -2 when bBuildAr is true and it stands at -1, else -1.
#include "component/clsVelloc.h"

namespace tarn::velloc {
namespace {

std::int16_t failureResult(bool bBuildAr, std::int16_t running) {
  return bBuildAr && running == -1 ? -2 : -1;
}

}  // namespace

std::int16_t clsVelloc::ValidateAr(std::int16_t, std::int16_t, std::u16string, std::u16string,
                                   std::u16string, std::u16string&, std::u16string,
                                   bool bBuildAr) {
  return failureResult(bBuildAr, -1);
}

std::int16_t clsVelloc::ValidateFreeAr(std::u16string, std::u16string&, bool bBuildAr) {
  return failureResult(bBuildAr, -1);
}

}  // namespace tarn::velloc
