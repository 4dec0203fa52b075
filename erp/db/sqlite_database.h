// The SQLite backend of Database (database.h). Every connection it opens has the ERP_CI
// collation (erp_collation.h), the catalogue views (catalogue_views.h), foreign keys on and a
// busy timeout, so that a writer in another process makes it wait rather than fail at once.
#pragma once

#include <filesystem>
#include <memory>

#include "erp/db/database.h"

namespace tarn::erp::db {

// Opens the SQLite file at `file` for reading and writing; creates it when `createIfMissing`.
// Raises kComponentFailure with SQLite's message when the file cannot be opened.
std::unique_ptr<Database> openSqliteDatabase(const std::filesystem::path& file,
                                             bool createIfMissing);

}  // namespace tarn::erp::db
