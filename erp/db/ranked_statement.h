// A pick-list's statement in one ranked, total order, the same on every backend: the component's
// statement becomes a common table expression `p` whose columns are renamed c1..cN (so that
// duplicate or unnamed columns need no names of their own), and a wrapper orders its rows by
//   r   the rank: 0 when the value (c1) equals the typed match under the ERP's comparison rule,
//       1 when it starts with it, 2 otherwise (2 for every row when there is no match);
//   t1  the value as text, under the ERP's comparison rule;
//   t1, t2 .. tN  every column as text, compared code point by code point, so that rows the
//       ERP's rule calls equal ('Export', 'export') still come in one order.
// Each row comes back with its columns followed by its order key (r, t1 .. tN), which a keyset
// cursor carries to continue strictly after it. The wrapper never filters the component's rows:
// it only orders them, cuts the window and, after a cursor, keeps the rows past it.
//
// The wrapper is written in the backend's own dialect with positional `?` parameters, in this
// order: the component's values (the statement's shape), the ranking's, the cursor's, then the
// window's (limit, offset; SQL Server: offset, then limit). The typed match only ever travels as
// a parameter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "erp/db/dialect.h"

namespace tarn::erp::db {

struct RankedShape {
  std::size_t columns = 1;  // N: the component's columns
  bool ranked = false;      // a match was typed: rank by it (else every row is rank 2)
  bool after = false;       // continue after a cursor's key
  // SQLite: walk the first column's index in the comparison rule's order and stop after the
  // window (see rankedStatement). Needs, when ranked, the bounds of prefixBounds.
  bool byIndex = false;
  std::size_t values = 0;  // byIndex: the component's parameters, numbered before the wrapper's
  int afterRank = 0;       // byIndex and after: the cursor's rank
  // SQLite: order only the statement's first rows, as many as a parameter says (see below).
  bool capped = false;
};

// The wrapper around `innerNative`, the component's statement already in `dialect`'s own form.
//
// capped (SQLite, without a cursor) orders only the statement's first rows, as many as a
// parameter given right after the component's values says: asked for one more than the window
// holds, fewer coming back means they were every row of the statement, found in one pass and
// ordered in one sort, which for the few rows of most pick-lists costs less than the index
// walk's parts, and for a match with few hits among many values reads them once.
//
// byIndex (SQLite only) gives the same rows in the same order, but as a union of parts that each
// keep at most the window's rows, so that SQLite can read the first column's index in order and
// stop early instead of reading and sorting every row: one part per rank for the rows whose
// first column is text not below '' under the rule (their text form is the value itself), and
// three for the others (null, below '', blob), ranked as above. Its parameters are numbered:
// ?1..?V the component's values (V = `values`), then, when ranked, the match, its LIKE pattern
// and the bounds lo and hi of prefixBounds; when after, the cursor's rank and its texts t1..tN;
// then the limit and the offset. A cursor skips the parts of lower ranks than its own.
std::u16string rankedStatement(Dialect dialect, std::u16string_view innerNative, RankedShape shape);

// Texts lo < every text that starts with `match` under the ERP's comparison rule < hi, neither
// of which SQLite's numeric affinity turns into a number, for the index walk's prefix part. Null
// when the match is empty, or its first non-blank or its last character is a control character
// or blank, or its last is U+10FFFF: such matches are ranked by the plain wrapper.
std::optional<std::pair<std::u16string, std::u16string>> prefixBounds(std::u16string_view match);

// A statement that gives the columns of `innerNative` and no row, without running it: the names
// the wrapper must count before it can rename them. Null for SQL Server, which refuses two
// columns of one name in a table expression: there the statement itself is run up to its first
// row instead. Its parameters are the component's values only.
std::optional<std::u16string> columnsStatement(Dialect dialect, std::u16string_view innerNative);

// How many parameters the wrapper adds for ranking, and for a cursor of `columns` columns.
std::size_t rankingParameters(Dialect dialect);
std::size_t cursorParameters(std::size_t columns);

// `sqlServerText` without a closing ORDER BY that selects nothing: one at the end of the
// statement, outside parentheses, when the statement has no TOP and the clause no OFFSET, FETCH
// or FOR, and no parameter marker. The wrapper's order replaces it, and SQL Server refuses an ORDER
// BY without TOP inside a table expression. An ORDER BY that decides which rows a TOP keeps stays
// where it is.
std::u16string_view withoutClosingOrder(std::u16string_view sqlServerText);

// The LIKE pattern of the values that start with `match`, for the backends whose wrapper ranks
// with LIKE: each %, _, [ and the escape character \ is escaped with \, then % follows.
std::u16string startsWithPattern(std::u16string_view match);

}  // namespace tarn::erp::db
