// The cursor of keyset paging: where a pick-list's window ended, as an opaque text the answer
// gives in "next" and the caller hands back as "after" (--after). It carries the last row's
// order key (tarnvelloc/erp/statement.h) and a seal: a hash of that key together with the
// list's statement and typed match, so that a cursor edited by hand, or made by another item's
// or another match's list, is refused rather than read. The seal is not a secret: a cursor made
// up with a valid seal can only say where in the same list to continue, through bound values.
//
// Form: base64url (no padding) of {"r": rank, "k": [column texts], "s": "seal"}.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "tarnvelloc/erp/statement.h"

namespace tarn::session {

// A cursor read at the door, not yet matched with its list.
struct PageCursor {
  erp::OrderKey key;
  std::string seal;
};

// The cursor that continues after `key` in the list of `sql` ranked by `match`.
std::string makePageCursor(std::u16string_view sql, std::u16string_view match,
                           const erp::OrderKey& key);

// Reads a cursor's form; raises RequestError (usage) when it cannot be one this system gave.
PageCursor readPageCursor(std::string_view text);

// The cursor a request continues after, read at the door from `after` (absent: none); a cursor
// with an offset other than 0 is refused, naming the two options as the door calls them.
std::optional<PageCursor> readContinuation(const std::optional<std::string>& after,
                                           std::size_t offset, std::string_view afterName,
                                           std::string_view offsetName);

// The cursor's key when it was made for the list of `sql` ranked by `match`; raises
// RequestError (usage) otherwise.
erp::OrderKey cursorKeyFor(const PageCursor& cursor, std::u16string_view sql,
                           std::u16string_view match);

}  // namespace tarn::session
