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

// How many connections joinDatabase has opened in this process.
std::uint64_t providerConnectionsOpened();

// The database of an initialised provider. Raises kComponentFailure "<service> is not
// initialised" when `database` is empty.
db::Database& requireDatabase(const SharedDatabase& database, std::string_view service);

}  // namespace tarn::erp::providers
