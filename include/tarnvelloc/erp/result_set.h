// The rows a statement gives, as the database layer hands them over: column names, and one
// Variant per column and row (Null, Long, Double or String). Plain values, owned by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::erp {

struct ResultSet {
  std::vector<std::u16string> columns;
  std::vector<std::vector<automation::Variant>> rows;
};

// The rows of a statement from `offset` on, at most `limit` of them, and how many it gave in all.
struct RowWindow {
  std::size_t offset = 0;
  std::size_t limit = SIZE_MAX;
};
struct WindowedResult {
  ResultSet rows;
  std::size_t totalRows = 0;
};

}  // namespace tarn::erp
