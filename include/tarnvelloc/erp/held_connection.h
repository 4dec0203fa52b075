// A connection a host opens once and keeps, so that its requests do not each pay for opening the
// database: a pick-list's statement and the catalogue's questions run on it, and the statements
// it compiles are kept for its next requests (up to 64 shapes; the least recently used go
// first). The functions that take a connection string open a connection of their own on every
// call instead.
//
// A HeldConnection is used on one thread at a time; a host serving requests side by side holds
// one per thread, or hands them out one request at a time. It never reconnects: after a failure
// that lost the connection (a server restarted), the host opens a new one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tarnvelloc/erp/result_set.h"

namespace tarn::erp {

namespace db {
class Database;
}

class HeldConnection {
 public:
  // Whether the connection also serves the outside components (components.h) of the next
  // component initialised on this thread with the same connection string, compared as text.
  // Lent, it is the connection they would otherwise open for themselves: each kind of outside
  // component joins it once, as it joins one of its own, and a second component still opens
  // its own. A process that runs one component beside its own questions then holds one
  // connection, not two. The connection lives while the HeldConnection or any of them does.
  enum class Sharing { kOwn, kLentToComponent };

  // Opens the existing database `connectionString` names. Raises AutomationError
  // (kComponentFailure) with the database's own message, never a password, when the string is
  // malformed or the database cannot be opened; the failure is recorded as "open".
  explicit HeldConnection(std::u16string_view connectionString, Sharing sharing = Sharing::kOwn);
  ~HeldConnection();
  HeldConnection(HeldConnection&&) noexcept;
  HeldConnection& operator=(HeldConnection&&) noexcept;

  // The database layer's connection, for this library's own functions.
  db::Database& database() { return *database_; }

 private:
  std::shared_ptr<db::Database> database_;
};

// The catalogue questions of catalogue.h, asked on a held connection: the same answers, with
// the same failures.
bool hasTable(HeldConnection& connection, std::u16string_view table);
bool hasColumn(HeldConnection& connection, std::u16string_view table, std::u16string_view column);
std::optional<std::u16string> voucherTable(HeldConnection& connection,
                                           std::u16string_view cardNumber);

// Whether the database holds `table`, asked the cheapest way first: one statement that reads
// none of its rows, one round trip to a server. When that statement runs, the answer is true (a
// view it can read as a table counts too); when it fails (no such table, or one this connection
// may not read), or `table` is not a plain name of ASCII letters, digits and '_', the answer is
// hasTable's, with its failures.
bool hasReadableTable(HeldConnection& connection, std::u16string_view table);

}  // namespace tarn::erp
