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

}  // namespace tarn::erp::db
