// The database an outside component's Init opened. A provider object is used on one thread at a
// time and keeps its database open until it is initialised again or released.
#pragma once

#include <memory>
#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::providers {

// The database of an initialised provider. Raises kComponentFailure "<service> is not
// initialised" when `database` is empty.
db::Database& requireDatabase(const std::unique_ptr<db::Database>& database,
                              std::string_view service);

}  // namespace tarn::erp::providers
