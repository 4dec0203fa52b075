// ValidateAr's work: whether a value typed into a user-defined item is one of the item's values
// (in its source table, among its archived values in UserDefine, or as the alias of one), and
// archiving a value found nowhere when the caller allows it.
//
// The logic raises on every failure and never catches; the component method's one handler reads
// the running result to choose the failure code (-2 when bBuildAr is true and the running result
// stands at -1, else -1). Record sets still held when a failure unwinds are released, not closed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "services/outside_services.h"

namespace tarn::userdefine {

struct ValidationServices {
  services::ArchiveDataService archiveData;
  services::VoucherDataService voucherData;
  services::RowAuthorisationService rowAuth;
};

// True when column `field` of user table `table` is of type money or smallmoney, by a count over
// the catalogue views sent to the voucher data service.
bool IsMoneyColumn(services::VoucherDataService& voucherData, std::u16string_view table,
                   std::u16string_view field);

// ValidateAr's arguments other than the value, as the caller passed them (untrimmed).
struct ValidationRequest {
  std::int16_t iDataSrcType;
  std::int16_t iVoucherSec;
  std::u16string sUserDefName;
  std::u16string sTableName;
  std::u16string sFieldName;
  std::u16string sCardNumber;
  bool bBuildAr;
};

// Returns the validation code (kAccepted, kRefused, kNotArchived, kArchived). sUserDefVal is
// trimmed in place on entry, and replaced by the archived value when it matched an alias.
// `running` is the running result: 0 until the source lookup (or, for the list source, the
// archive lookup) has found nothing, then -1, and 1 or -2 after archiving. A value compared
// with a money column that is not a number raises before its lookup is sent.
std::int16_t validateUserDefinedValue(ValidationServices& services,
                                      const ValidationRequest& request, std::u16string& sUserDefVal,
                                      std::int16_t& running);

}  // namespace tarn::userdefine
