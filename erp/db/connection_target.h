// Where a connection string leads, decided before anything is opened: an ERP writes its
// connection strings for OLE DB, and the outside components reach the same databases through
// SQLite or ODBC.
//
//   Provider=SQLite, or no Provider with a Data Source:  the SQLite file named by Data Source
//     (also DataSource or Database).
//   Provider=SQLOLEDB, SQLNCLI11 or MSOLEDBSQL (letter case ignored, a version suffix such as
//     SQLOLEDB.1 allowed):  SQL Server through ODBC, as
//       Driver={<driver>};Server=<Data Source>;Database=<Initial Catalog>;UID=<User ID>;
//       PWD=<Password>   or, with Integrated Security=SSPI (or true, yes),
//       Driver={<driver>};Server=<Data Source>;Database=<Initial Catalog>;Trusted_Connection=yes
//     (User ID and Password are then ignored, as the OLE DB providers ignore them). Pieces not
//     given are left out; a value holding ';', '{', '}' or '=' or edge blanks goes in braces.
//     Other keys (Persist Security Info, Application Name, …) have no ODBC counterpart here and
//     are dropped.
//   Provider=MSDASQL (with a version suffix too), or no Provider with a Driver or a DSN:  the
//     ODBC connection string as written, in its order, without the Provider pair.
//
// A string that fits none of these is refused with a message naming the key at fault. No
// message ever holds a password.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "erp/db/connection_string.h"
#include "erp/db/dialect.h"

namespace tarn::erp::db {

struct ConnectionTarget {
  enum class Kind { kSqlite, kOdbc };

  Kind kind = Kind::kSqlite;
  // Known from the string for SQLite and the SQL Server providers; for a plain ODBC string
  // only the connected database can tell.
  std::optional<Dialect> dialect;
  std::u16string sqliteFile;  // kSqlite
  // kOdbc: the connection string for the ODBC driver manager. It may hold a password: never
  // show it; show `shownAs`.
  std::u16string odbcConnection;
  std::u16string shownAs;  // kOdbc: odbcConnection without its passwords
};

// The ODBC driver for the SQL Server providers: the environment variable
// TARN_SQLSERVER_ODBC_DRIVER when set and not empty, else FreeTDS (Debian's tdsodbc).
std::u16string sqlServerOdbcDriver();

// Classifies `connection`, mapping SQL Server providers to `sqlServerDriver` (with or without
// its braces). Raises kComponentFailure for a string that fits no target.
ConnectionTarget classifyConnection(const ConnectionString& connection,
                                    std::u16string_view sqlServerDriver = sqlServerOdbcDriver());

}  // namespace tarn::erp::db
