// The rows of an accepted reference: its SQL as the component built it, run inside a wrapper that
// gives its rows in one ranked order on every backend (tarnvelloc/erp/statement.h), under the
// reference's captions. Only the rows shown are read from the database, and a window can
// continue after a cursor the previous window gave (page_cursor.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "session/page_cursor.h"
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
  std::optional<std::string> next;   // the cursor of the following window, when `more`
};

// What the rows are ranked by, and where the window starts when it continues a previous one.
struct PickOrder {
  std::u16string match;             // the match the reference was asked with
  std::optional<PageCursor> after;  // read at the door; refused here unless made for this list
};

// The rows of `answer`'s SQL inside `window`, ranked by `order.match` and after `order.after`,
// under the reference's captions (or the query's column names when they do not match one for
// one); nothing for a refused reference. Counted when `window.countRows` asks. A cursor made for
// another list, or given with an offset, raises RequestError (usage); a database failure raises
// RequestError too.
PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window, const PickOrder& order);
PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window);

// The same on a connection opened for this call alone, always counted, whatever
// `window.countRows` says.
PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window);

// Splits a column-set text at its commas ("A,,C" gives A, "", C; "" gives nothing).
std::vector<std::string> splitColumnSet(const std::u16string& columnSet);

}  // namespace tarn::session
