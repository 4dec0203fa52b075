// Running the SQL a reference method returned, as an ERP screen does with its own connection:
// the statement is written in SQL Server dialect and adapted to the database the connection
// string names (the same adaptation the outside components use).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/erp/held_connection.h"
#include "tarnvelloc/erp/result_set.h"

namespace tarn::erp {

// True when `connectionString` is a well-formed ADO-style list of key=value pairs.
bool isWellFormedConnectionString(std::u16string_view connectionString);

// The database a connection string names, for messages: the file for SQLite, the data source
// and database otherwise. Never a password; "" for a malformed string.
std::string describeDatabase(std::u16string_view connectionString);

// Opens the existing database `connectionString` names, runs one statement and gives its rows.
// Raises AutomationError (kComponentFailure) with the database's own message on any failure.
ResultSet runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText);

// The same, giving only the rows inside `window` (result_set.h): the rows before it are not
// read, and the statement runs no further than the window needs unless it counts every row. The
// rows, their columns and order, and the text of a failure's record are the statement's own,
// whether or not the database is given the window inside a statement of its own.
WindowedResult runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText,
                            RowWindow window);

// The same two on a connection the host holds (held_connection.h), which keeps the statements
// it compiled for the next call.
ResultSet runStatement(HeldConnection& connection, std::u16string_view sqlServerText);
WindowedResult runStatement(HeldConnection& connection, std::u16string_view sqlServerText,
                            RowWindow window);

// A pick-list's rows in one ranked, total order, the same on every backend: rows whose value (the
// first column) equals `match` under the ERP's comparison rule first, then those whose value
// starts with it, then the rest; ties in the value's order under that rule, then every column's
// text code point by code point. Trailing blanks of `match` are ignored, as the rule ignores
// them; an empty match ranks every row alike. The statement runs as the component built it,
// inside a wrapper that orders its rows and cuts the window: the same rows, never more.

// Where a row stands in that order: its rank (0, 1, 2) and the text of each of its columns.
struct OrderKey {
  int rank = 2;
  std::vector<std::u16string> texts;

  friend bool operator==(const OrderKey&, const OrderKey&) = default;
};

struct RankedWindow {
  std::u16string match;
  std::optional<OrderKey> after;  // continue strictly after this row (then window.offset is 0)
  RowWindow window;               // counted: every row the statement gives, whatever `after`
};

struct RankedResult {
  WindowedResult rows;              // the statement's own columns, in ranked order
  std::optional<OrderKey> lastKey;  // the key of the last row given, when one was given
};

// Raises as runStatement does; a cursor whose key has another number of columns than the
// statement raises kComponentFailure.
RankedResult runRankedStatement(HeldConnection& connection, std::u16string_view sqlServerText,
                                const RankedWindow& ranked);
RankedResult runRankedStatement(std::u16string_view connectionString,
                                std::u16string_view sqlServerText, const RankedWindow& ranked);

}  // namespace tarn::erp
