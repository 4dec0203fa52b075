// Running the SQL a reference method returned, as an ERP screen does with its own connection:
// the statement is written in SQL Server dialect and adapted to the database the connection
// string names (the same adaptation the outside components use).
#pragma once

#include <string>
#include <string_view>

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

}  // namespace tarn::erp
