// Running the SQL a reference method returned, as an ERP screen does with its own connection:
// the statement is written in SQL Server dialect and adapted to the database the connection
// string names (the same adaptation the outside components use).
#pragma once

#include <string>
#include <string_view>

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

// The same, keeping only the rows inside `window`; the statement itself runs unchanged.
WindowedResult runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText,
                            RowWindow window);

}  // namespace tarn::erp
