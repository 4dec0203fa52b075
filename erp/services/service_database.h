// How a service reaches its database: the ADO-style connection string its Init receives
// (erp/db/connection_string.h) names an existing database, which the service keeps open until
// it is initialised again or released. A service object is used on one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::services {

// Opens the existing database that `connectionText` names. Raises kComponentFailure for a
// malformed connection string, an unknown provider, a missing file or an open failure.
std::unique_ptr<db::Database> openNamedDatabase(std::u16string_view connectionText);

// The database of an initialised service. Raises kComponentFailure "<service> is not
// initialised" when `database` is empty.
db::Database& requireDatabase(const std::unique_ptr<db::Database>& database,
                              std::string_view service);

}  // namespace tarn::erp::services
