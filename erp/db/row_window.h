// Reading a statement's rows through a window (tarnvelloc/erp/result_set.h), written once for the
// backends that step through a result themselves.
#pragma once

#include <cstddef>

#include "tarnvelloc/erp/result_set.h"

namespace tarn::erp::db {

// Steps through rows with `step` (moves onto the next row; false when there is none) and reads
// the rows inside `window` with `read(row)` into `result.rows.rows`. Rows before the window are
// stepped over unread. Stepping stops on the first row after the window, which sets
// `result.more`, unless `window.countRows` asks for every row to be counted into
// `result.totalRows`.
template <typename Step, typename Read>
void stepThroughWindow(const RowWindow& window, WindowedResult& result, Step step, Read read) {
  auto& rows = result.rows.rows;
  std::size_t seen = 0;
  const auto ended = [&] {
    if (window.countRows) result.totalRows = seen;
  };
  for (; seen < window.offset; ++seen) {
    if (!step()) return ended();
  }
  while (rows.size() < window.limit) {
    if (!step()) return ended();
    ++seen;
    read(rows.emplace_back());
  }
  if (!step()) return ended();
  ++seen;
  result.more = true;
  if (!window.countRows) return;
  while (step()) ++seen;
  result.totalRows = seen;
}

}  // namespace tarn::erp::db
