// Owners of SQLite's connection and statement handles, for the SQLite backend's own files (this
// header brings in sqlite3.h and is included by no header outside erp/db/sqlite_*).
#pragma once

#include <sqlite3.h>

#include <memory>

namespace tarn::erp::db {

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Resets a statement and clears its parameters when it goes out of scope, so that a statement
// kept for reuse holds no lock and points at no caller's text between uses.
class StatementReset {
 public:
  explicit StatementReset(sqlite3_stmt* statement) : statement_(statement) {}
  StatementReset(const StatementReset&) = delete;
  StatementReset& operator=(const StatementReset&) = delete;
  ~StatementReset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

 private:
  sqlite3_stmt* statement_;
};

}  // namespace tarn::erp::db
