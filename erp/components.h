// The outside components, for real: registers under their ProgIDs the archive data service
// (TarnDataSvc.IDataSvc), the voucher data service (TarnVoucherSvc.IVoucherSvc), the
// column-settings service (TarnColumnSvc.IColumnSvc, and TarnColSetSvc.IColumnSvc for the
// earlier revision), the row-authorisation service (TarnRowAuthSvc.IRowAuth), the utility
// service (TarnUtil.IUtil) and the database connection (ADODB.Connection). A host calls this
// once before creating the component; the component never links this library.
#pragma once

#include "automation/factory.h"

namespace tarn::erp {

void registerComponents(automation::ComponentRegistry& registry =
                            automation::ComponentRegistry::global());

}  // namespace tarn::erp
