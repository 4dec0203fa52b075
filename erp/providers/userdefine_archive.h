// Archiving a value into the UserDefine list of its item: the only write the component asks
// of the data services (their Add operation).
#pragma once

#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::providers {

// Adds the value that `record` (archive_record.h) carries to the UserDefine list of its item,
// in one transaction. A value the item already has (as the ERP_CI collation compares) is left
// as it is and counts as added, so a repeated Add never creates a second row.
// Raises kComponentFailure with the reason, having written nothing, when `archiveName` is not
// "UserDefine" (ASCII case ignored), the record is malformed, UserDef has no item with the
// record's cId, or the database fails.
void archiveUserDefineRecord(db::Database& database, std::u16string_view record,
                             std::u16string_view archiveName);

}  // namespace tarn::erp::providers
