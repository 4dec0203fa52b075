// The rows a statement gives, as the database layer hands them over: column names, and one
// Variant per column and row (Null, Long, Double or String). Plain values, owned by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::erp {

struct ResultSet {
  std::vector<std::u16string> columns;
  std::vector<std::vector<automation::Variant>> rows;
};

// The rows of a statement from `offset` on, at most `limit` of them. The rows before `offset`
// are passed over without their values being read, and the statement is not run further than
// the window's last row and one more (to tell whether more follow), unless `countRows` asks for
// the number of rows the statement gives in all.
struct RowWindow {
  std::size_t offset = 0;
  std::size_t limit = SIZE_MAX;
  bool countRows = false;
};
struct WindowedResult {
  ResultSet rows;
  bool more = false;                     // the statement gives rows after the window
  std::optional<std::size_t> totalRows;  // every row the statement gives; only when counted
};

}  // namespace tarn::erp
