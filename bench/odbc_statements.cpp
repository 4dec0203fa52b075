// odbc_statements: the floor under a velloc command on an ODBC database. Connects once through
// the driver manager and runs each line of FILE as one statement (SQLExecDirect; empty lines,
// comment lines starting with -- and a closing semicolon, which the database's own client
// needs, are left out), reads every column of every row as text, and prints how many rows came
// back: what the driver stack costs a process that runs the command's statements without the
// component around them. Timed as a whole process beside velloc and the database's own client
// (bench/RESULTS.md).
//
// Usage: odbc_statements CONNECTION-STRING FILE
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "odbc_statements: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return fail("usage: odbc_statements CONNECTION-STRING FILE");
  std::ifstream statements(argv[2]);
  if (!statements) return fail("cannot read the statements file");
  SQLHENV environment = SQL_NULL_HENV;
  SQLHDBC connection = SQL_NULL_HDBC;
  SQLHSTMT statement = SQL_NULL_HSTMT;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment);
  SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, environment, &connection);
  auto* text = reinterpret_cast<SQLCHAR*>(argv[1]);
  if (!SQL_SUCCEEDED(SQLDriverConnect(connection, nullptr, text, SQL_NTS, nullptr, 0, nullptr,
                                      SQL_DRIVER_NOPROMPT))) {
    return fail("cannot connect");
  }
  SQLAllocHandle(SQL_HANDLE_STMT, connection, &statement);
  long rows = 0;
  for (std::string line; std::getline(statements, line);) {
    if (!line.empty() && line.back() == ';') line.pop_back();
    if (line.empty() || line.starts_with("--")) continue;
    if (!SQL_SUCCEEDED(SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(line.data()),
                                     static_cast<SQLINTEGER>(line.size())))) {
      return fail(("the statement failed: " + line).c_str());
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(statement, &columns);
    while (SQL_SUCCEEDED(SQLFetch(statement))) {
      for (SQLUSMALLINT column = 1; column <= columns; ++column) {
        char value[512];
        SQLLEN length = 0;
        SQLGetData(statement, column, SQL_C_CHAR, value, sizeof value, &length);
      }
      ++rows;
    }
    SQLCloseCursor(statement);
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  SQLDisconnect(connection);
  SQLFreeHandle(SQL_HANDLE_DBC, connection);
  SQLFreeHandle(SQL_HANDLE_ENV, environment);
  std::printf("%ld rows\n", rows);
  return 0;
}
