// The two validation methods of clsVelloc: each runs its work under one catch-all handler that
// reads the running result: -2 when bBuildAr is true and it stands at -1, else -1. Record sets
// the work still held are released by the unwinding, never closed.
#include "component/clsVelloc.h"
#include "freeitem/free_validation.h"
#include "userdefine/archive_entry.h"
#include "userdefine/validate.h"

namespace tarn::velloc {
namespace {

std::int16_t failureResult(bool bBuildAr, std::int16_t running) {
  return running == userdefine::kRefused ? userdefine::refusalCode(bBuildAr) : userdefine::kRefused;
}

}  // namespace

std::int16_t clsVelloc::ValidateAr(std::int16_t iDataSrcType, std::int16_t iVoucherSec,
                                   std::u16string sUserDefName, std::u16string sTableName,
                                   std::u16string sFieldName, std::u16string& sUserDefVal,
                                   std::u16string sCardNumber, bool bBuildAr) {
  std::int16_t running = userdefine::kAccepted;
  try {
    userdefine::ValidationServices services{services::ArchiveDataService(g_oArDbSrv),
                                            services::VoucherDataService(g_oVoDbSrv),
                                            services::RowAuthorisationService(g_oRowAuth)};
    return userdefine::ValidateAr(services, iDataSrcType, iVoucherSec, std::move(sUserDefName),
                                  std::move(sTableName), std::move(sFieldName), sUserDefVal,
                                  sCardNumber, bBuildAr, running);
  } catch (...) {
    return failureResult(bBuildAr, running);
  }
}

std::int16_t clsVelloc::ValidateFreeAr(std::u16string sFreeFldName, std::u16string& sFreeVal,
                                       bool bBuildAr) {
  std::int16_t running = userdefine::kAccepted;
  try {
    services::ArchiveDataService archiveData(g_oArDbSrv);
    return freeitem::ValidateFreeAr(archiveData, sFreeFldName, sFreeVal, bBuildAr, running);
  } catch (...) {
    return failureResult(bBuildAr, running);
  }
}

}  // namespace tarn::velloc
