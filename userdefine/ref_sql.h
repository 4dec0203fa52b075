// GetRefSQL's work: resolves the item's source and access filter, then builds the pick-list
// query and its column-set text for the list, archive or voucher source.
//
// Returns the reference on success and nothing on a clean refusal (a selector out of range, a
// list-source name that is not a user-defined item, no Vouchers row for the card number, the
// row-authorisation service's "1=2", a voucher table without fields). Every other failure
// raises; a record set still held then is released without being closed. Nothing is written to
// the caller here: the component method does that, only on success.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "items/reference.h"
#include "services/outside_services.h"

namespace tarn::userdefine {

// The outside components GetRefSQL reaches.
struct RefSqlServices {
  services::VoucherDataService voucherData;
  services::ColumnSettingsService columnSettings;
  services::RowAuthorisationService rowAuth;
  services::UtilityService util;
};

// GetRefSQL's arguments, as the caller passed them (untrimmed).
struct RefSqlRequest {
  std::int16_t iDataSrcType;
  std::int16_t iVoucherSec;
  std::u16string sUserDefName;
  std::u16string sTableName;
  std::u16string sFieldName;
  std::u16string sCardNumber;
  std::u16string sMatchVal;
};

std::optional<items::Reference> buildUserDefinedReference(RefSqlServices& services,
                                                          const RefSqlRequest& request);

}  // namespace tarn::userdefine
