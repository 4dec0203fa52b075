// Which database failures mean the connection itself is gone (the server shut down or cannot be
// reached, the file can no longer be read), as opposed to the failure of one statement on a
// connection that still works (a constraint, a lock, a conflict, a read-only database). A host
// that keeps a connection open drops it after the first kind and connects anew.
#pragma once

#include <string>
#include <string_view>

#include "tarnvelloc/automation/error.h"

namespace tarn::erp::db {

// An ODBC SQLSTATE: class 08 (connection exception), and PostgreSQL's 57P01 (administrator
// shutdown), 57P02 (crash shutdown) and 57P03 (cannot connect now).
bool connectionLostState(std::string_view sqlstate);

// A SQLite result code, primary or extended, met on an open connection: SQLITE_CANTOPEN,
// SQLITE_NOTADB and SQLITE_IOERR (sqlite_connection_loss.cpp, built with the SQLite backend).
bool connectionLostCode(int sqliteResultCode);

// What a backend raises for a failure that lost the connection: kComponentFailure with the
// database's message, as for any other failure, which the diagnostic channel records as
// connectionLost.
class ConnectionLostError : public automation::AutomationError {
 public:
  explicit ConnectionLostError(const automation::AutomationError& error) : AutomationError(error) {}
};

// Raises ConnectionLostError when `connectionLost`, otherwise kComponentFailure.
[[noreturn]] void raiseDatabaseFailure(bool connectionLost, const std::string& message);

}  // namespace tarn::erp::db
