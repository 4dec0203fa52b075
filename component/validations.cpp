// The two validation methods of clsVelloc: each runs its work under one catch-all handler that
// reads the running result: -2 when bBuildAr is true and it stands at -1, else -1. Record sets
// the work still held are released by the unwinding, never closed.
#include "component/clsVelloc.h"
#include "freeitem/free_validation.h"
#include "items/archive_entry.h"
#include "userdefine/validate.h"

namespace tarn::velloc {
namespace {

std::int16_t failureResult(bool bBuildAr, std::int16_t running) {
  return running == items::kRefused ? items::refusalCode(bBuildAr) : items::kRefused;
}

}  // namespace

std::int16_t clsVelloc::ValidateAr(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                                   std::u16string sUserDefName, std::u16string sTableName,
                                   std::u16string sFieldName, std::u16string& sUserDefVal,
                                   std::u16string sCardNumber, bool bBuildAr) {
  std::int16_t running = items::kAccepted;
  try {
    userdefine::ValidationServices services{services::ArchiveDataService(g_oArDbSrv),
                                            services::VoucherDataService(g_oVoDbSrv),
                                            services::RowAuthorisationService(g_oRowAuth)};
    const userdefine::ValidationRequest request{iDataSrcType,
                                                iVoucherSec,
                                                std::move(sUserDefName),
                                                std::move(sTableName),
                                                std::move(sFieldName),
                                                std::move(sCardNumber),
                                                bBuildAr};
    return userdefine::validateUserDefinedValue(services, request, sUserDefVal, running);
  } catch (...) {
    return failureResult(bBuildAr, running);
  }
}

std::int16_t clsVelloc::ValidateFreeAr(std::u16string sFreeFldName, std::u16string& sFreeVal,
                                       bool bBuildAr) {
  std::int16_t running = items::kAccepted;
  try {
    services::ArchiveDataService archiveData(g_oArDbSrv);
    return freeitem::validateFreeItemValue(archiveData, sFreeFldName, sFreeVal, bBuildAr, running);
  } catch (...) {
    return failureResult(bBuildAr, running);
  }
}

}  // namespace tarn::velloc
