// The database connection of the outside components. A component initialises its outside
// components one after another, on one thread, with one connection string: they share one
// connection, opened by the first of them to need it and closed when the last of them lets it go.
// A provider object is used on one thread at a time and keeps its share until it is initialised
// again or released.
//
// Who shares: each connection is joined at most once by each kind of outside component, and only
// on the thread that opened it, while it is the newest connection opened there for that
// connection string. A second component on the same thread therefore gets a connection of its
// own (its first outside component finds its kind already present), and components on other
// threads never see it. A provider initialised again leaves its share and joins as a newcomer, so
// a component made anew after a lost connection connects anew: the lost connection lives on only
// while the old component's outside components do.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::providers {

enum class ProviderKind : unsigned {
  kArchiveData,
  kVoucherData,
  kColumnSettings,
  kRowAuthorisation,
  kUtility,
};

using SharedDatabase = std::shared_ptr<db::Database>;

// The connection `kind` uses for `connectionString` (compared as text): the newest connection
// opened on this thread for it, while it lives and no provider of `kind` has joined it yet;
// otherwise a new one, opened by db::openDatabase, which raises and records its failures.
SharedDatabase joinDatabase(std::u16string_view connectionString, ProviderKind kind);

// Makes `database`, which a host opened for `connectionString`, the newest connection of this
// thread for that text, joined by no kind yet: the outside components initialised next on this
// thread join it as they would join one that joinDatabase opened.
void lendDatabase(std::u16string_view connectionString, const SharedDatabase& database);

// How many connections joinDatabase has opened in this process.
std::uint64_t providerConnectionsOpened();

// What a provider is about to do on its database.
enum class Access { kRead, kWrite };

// The database of an initialised provider. Raises kComponentFailure "<service> is not
// initialised" when `database` is empty. While reads are held together on this thread (below),
// a read begins the connection's read transaction if none is open, and a write first ends every
// read transaction of the thread, so that it neither waits for this thread's own readers nor is
// held back until they end.
db::Database& requireDatabase(const SharedDatabase& database, std::string_view service,
                              Access access = Access::kRead);

// Holding reads together (tarnvelloc/erp/components.h: ReadTogether): from the first begin on a
// thread to its matching last end, the reads of each connection through requireDatabase run in
// one read transaction where the backend allows it (Database::beginReading). The last end
// commits them; a commit that fails is not reported (nothing was written, and a lost connection
// shows at its next statement).
void beginReadingTogether();
void endReadingTogether();

}  // namespace tarn::erp::providers
