// Running the SQL a reference method returned, as an ERP screen does with its own connection:
// the statement is written in SQL Server dialect and adapted to the database the connection
// string names (the same adaptation the outside components use).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::erp {

// The rows of a statement: column names, and one Variant per column and row (Null, Long,
// Double or String).
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

// True when `connectionString` is a well-formed ADO-style list of key=value pairs.
bool isWellFormedConnectionString(std::u16string_view connectionString);

// The database a connection string names, for messages: the file for SQLite, the data source
// and database otherwise. Never a password; "" for a malformed string.
std::string describeDatabase(std::u16string_view connectionString);

// Opens the existing database `connectionString` names, runs one statement and gives its rows.
// Raises AutomationError (kComponentFailure) with the database's own message on any failure.
ResultSet runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText);

// The same, keeping only the rows inside `window`; the statement itself runs unchanged.
WindowedResult runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText,
                            RowWindow window);

}  // namespace tarn::erp
