// A pick-list layout of the column-settings service: the columns stored under a layout key in
// TarnColumnLayout, and the select and order-by lists they make.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "erp/db/database.h"

namespace tarn::erp::providers {

struct LayoutColumn {
  std::u16string expression;  // the select-list expression, e.g. person.cPersonName
  std::u16string caption;
  std::int32_t width = 0;
  std::int32_t orderNo = 0;  // position in the order-by list; 0: the column does not order
  bool descending = false;

  friend bool operator==(const LayoutColumn&, const LayoutColumn&) = default;
};

// The columns of the layout `key` (matched as the ERP_CI collation compares), in column order;
// none for a key without a layout. Raises the database's failure.
std::vector<LayoutColumn> readColumnLayout(db::Database& database, std::u16string_view key);

// The expressions joined by ", ": "A.cValue, A.cAlias". Empty for no columns.
std::u16string selectListOf(const std::vector<LayoutColumn>& columns);

// The ordering columns by their order number, each followed by " desc" when descending, joined
// by ", ": "department.cDepName desc, person.cPersonCode". Empty when no column orders.
std::u16string orderListOf(const std::vector<LayoutColumn>& columns);

}  // namespace tarn::erp::providers
