// The columns a voucher-source table offers to a pick-list (the voucher data service's
// GetFieldNames).
#pragma once

#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::providers {

// Rows of (FieldName, fielddef): the table's TarnVoucherField entries in column order, or, when
// the table has none, every column of the table itself in its own order, each with its own name
// as fielddef. The table name is matched as the ERP_CI collation compares. Raises the
// database's failure, for instance for a table that exists in neither place.
db::ResultSet voucherFieldList(db::Database& database, std::u16string_view table);

}  // namespace tarn::erp::providers
