// The rows of an accepted reference: its SQL run unchanged, as an ERP screen runs it on its own
// connection, under the reference's captions. Only the rows shown are read from the database.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "session/velloc_host.h"
#include "tarnvelloc/erp/held_connection.h"
#include "tarnvelloc/erp/result_set.h"

namespace tarn::session {

struct PickList {
  std::vector<std::string> headings;                   // the captions, or the query's column names
  std::vector<std::vector<automation::Variant>> rows;  // the rows shown
  bool more = false;                                   // the SQL gives rows after those shown
  std::optional<std::size_t> total;  // the rows the SQL gives in all, when counted
  std::size_t totalRows = 0;         // the same when counted, else 0
};

// The rows of `answer`'s SQL inside `window`, under the reference's captions (or the query's
// column names when they do not match one for one); nothing for a refused reference. Counted
// when `window.countRows` asks. A database failure raises RequestError.
PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window);

// The same on a connection opened for this call alone, always counted, whatever
// `window.countRows` says.
PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window);

// Splits a column-set text at its commas ("A,,C" gives A, "", C; "" gives nothing).
std::vector<std::string> splitColumnSet(const std::u16string& columnSet);

}  // namespace tarn::session
