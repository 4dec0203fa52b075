// The column information text of the column-settings service: what getColInfo hands out and
// GetSqlString / GetOrderString read back. It is self-contained (it carries the whole layout,
// so reading it needs no database) and it is XML, so any expression or caption survives:
//   <columns key="personRef"><column expression="person.cPersonCode" caption="人员编码"
//    width="1200" orderNo="2" descending="0"/>…</columns>
// A key without a layout gives <columns key="…"/>.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "erp/providers/pick_list_layout.h"

namespace tarn::erp::providers {

std::u16string formatColumnInfo(std::u16string_view key, const std::vector<LayoutColumn>& columns);

// Raises kComponentFailure when `info` is not a column information text.
std::vector<LayoutColumn> parseColumnInfo(std::u16string_view info);

}  // namespace tarn::erp::providers
