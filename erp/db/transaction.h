// Transaction: one transaction on a Database, begun on construction and rolled back on
// destruction unless commit() succeeded. A failure that unwinds past the guard so leaves the
// database as it was before begin.
#pragma once

#include "erp/db/database.h"

namespace tarn::erp::db {

class Transaction {
 public:
  // Begins the transaction; raises as Database::begin does.
  explicit Transaction(Database& database) : database_(database) { database_.begin(); }

  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  // A rollback that fails is not reported: the failure that unwound here is the one worth
  // reporting, and the next begin on the connection reports a transaction still open.
  ~Transaction() {
    if (committed_) return;
    try {
      database_.rollback();
    } catch (...) {
    }
  }

  // Raises as Database::commit does; the destructor then rolls back.
  void commit() {
    database_.commit();
    committed_ = true;
  }

 private:
  Database& database_;
  bool committed_ = false;
};

// One read transaction on a Database where the backend gains by it (Database::beginReading: on
// SQLite one lock and one look at the file for every statement inside, not one each), ended on
// destruction. Nothing is written inside it, so a failure to end it is not reported: a lost
// connection shows at its next statement.
class ReadTransaction {
 public:
  explicit ReadTransaction(Database& database)
      : database_(database), open_(database.beginReading()) {}

  ReadTransaction(const ReadTransaction&) = delete;
  ReadTransaction& operator=(const ReadTransaction&) = delete;

  ~ReadTransaction() {
    if (!open_) return;
    try {
      database_.commit();
    } catch (...) {
    }
  }

 private:
  Database& database_;
  bool open_;
};

}  // namespace tarn::erp::db
