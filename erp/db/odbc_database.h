// The ODBC backend of Database (database.h): any database an ODBC driver reaches (SQLite through
// its ODBC driver, PostgreSQL through psqlODBC, SQL Server), through unixODBC or odbc32.
//
// The connection's dialect is the target's when the connection string tells it (the SQL Server
// providers), else the one the driver names as its DBMS (SQL_DBMS_NAME): Microsoft SQL Server,
// SQLite or PostgreSQL; any other DBMS is refused, naming it. Statements in SQL Server dialect
// are shaped and adapted once per shape as the SQLite backend does (dialect.h). A text's first
// run on a connection goes to the driver directly, which psqlODBC sends in one round trip; from
// its second run on it is prepared and kept: up to 64 shapes and 64 native texts per connection,
// dropping the least recently used. A column's name and type are learnt without a catalogue
// question.
// A text holds one statement, as the connection's database reads it (oneStatement, dialect.h):
// the driver is given that statement alone, and a text with a second one is refused unsent.
// Text travels as UTF-16 through the wide API, or as UTF-8 through the narrow API for a driver
// that cannot take wide text unchanged (odbc_text.h). No message, log or exception shows a
// password of the connection string, even when a driver repeats the string in its message.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "erp/db/database.h"

namespace tarn::erp::db {

// Connects through the ODBC driver manager with `odbcConnection` (which may hold a password)
// without ever prompting. `shownAs` is the same without passwords, for messages; `dialect` is
// the database's dialect when the caller knows it. Raises kComponentFailure with the driver's
// diagnostics when the connection fails.
std::unique_ptr<Database> openOdbcDatabase(const std::u16string& odbcConnection,
                                           const std::u16string& shownAs,
                                           std::optional<Dialect> dialect);

}  // namespace tarn::erp::db
