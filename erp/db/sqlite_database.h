// The SQLite backend of Database (database.h). Every connection it opens has the ERP_CI
// collation (erp_collation.h), the catalogue views (catalogue_views.h), foreign keys on and a
// busy timeout, so that a writer in another process makes it wait rather than fail at once.
//
// A connection keeps the statements it compiled, up to 64 shapes in SQL Server dialect and 64
// native texts, dropping the least recently used; a kept statement's plan does not depend on
// the values bound to it, so binding new values never compiles it again. A statement text run
// again finds its compiled statement at once (shape_memo.h), which keeps a dropped shape's
// statement for as long as one of the 64 texts it remembers holds it. Text crosses to SQLite
// and back in UTF-8.
//
// A text holds one statement: what SQLite's compiler leaves after it may only be blanks, comments
// and semicolons, else the text is refused before anything runs.
#pragma once

#include <filesystem>
#include <memory>

#include "erp/db/database.h"

namespace tarn::erp::db {

// Opens the SQLite file at `file` for reading and writing; creates it when `createIfMissing`.
// Raises kComponentFailure with SQLite's message when the file cannot be opened.
std::unique_ptr<Database> openSqliteDatabase(const std::filesystem::path& file,
                                             bool createIfMissing);

// Sets, once per process and before SQLite starts, how SQLite takes memory: each page of a page
// cache as it is needed, and without counting what it holds (no lock around every allocation).
// openSqliteDatabase does so first; a host that starts SQLite itself before
// (sqlite3_auto_extension, its own connection) calls this first for the same.
void configureSqliteMemory();

}  // namespace tarn::erp::db
