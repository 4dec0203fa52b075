// Opening a database by its connection string: the one place that knows every backend, so that
// the backends and the Database interface need not know each other.
#pragma once

#include <memory>
#include <string_view>

#include "erp/db/connection_string.h"
#include "erp/db/database.h"

namespace tarn::erp::db {

// Opens the database a connection string names (connection_target.h): a SQLite file with the
// SQLite backend (sqlite_database.h), which must exist unless `createIfMissing` is true; an ODBC
// target (the SQL Server providers, MSDASQL, Driver=, DSN=) with the ODBC backend
// (odbc_database.h), whatever `createIfMissing` says. Raises kComponentFailure for a string that
// fits no target, a missing file or a failed connection, with the database's or the driver's
// message and never a password, and records every failure for the host as "open".
std::unique_ptr<Database> openDatabase(const ConnectionString& connection,
                                       bool createIfMissing = false);

// The same from the connection string's text; a malformed string raises kComponentFailure too,
// naming the key at fault and never quoting the text.
std::unique_ptr<Database> openDatabase(std::u16string_view connectionText,
                                       bool createIfMissing = false);

}  // namespace tarn::erp::db
