// The layout the column-settings service gives a key that TarnColumnLayout holds no row for, so
// that every pick-list has a select list on a database whose layouts nobody has written yet.
// db/schema.sql documents the defaults beside the table.
#pragma once

#include <string_view>
#include <vector>

#include "erp/db/database.h"
#include "erp/providers/pick_list_layout.h"

namespace tarn::erp::providers {

// The default columns of the layout `key`: the fixed UserDefine layouts for UserDefineRef and
// UserDefFreeRef; for tableRef, a table or view the catalogue views know, its first column (the
// key, ordering) and its next two text columns; none for any other key. Keys compare as the
// ERP_CI collation compares. Raises the database's failure.
std::vector<LayoutColumn> defaultColumnLayout(db::Database& database, std::u16string_view key);

}  // namespace tarn::erp::providers
