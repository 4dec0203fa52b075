// The ERP database for other tools: a loadable SQLite extension that gives any connection what
// the embedded backend gives its own, so that the sqlite3 shell, Python's sqlite3 module or the
// SQLite ODBC driver (LoadExt=) can read and write an ERP database:
//
//   - the ERP_CI collation the schema's text columns are declared with (the same comparison as
//     the embedded backend's, from erp/db/erp_collation.cpp);
//   - sysobjects, syscolumns and systypes as temporary views of the connection
//     (erp/db/catalogue_schema.h).
//
// SQLite finds the entry point by the library's name (libtarn_sqlite_erp.so:
// sqlite3_tarnsqliteerp_init); loaders that ask for the generic name find
// sqlite3_extension_init. Nothing else of ours is linked: the library needs only SQLite's
// host process.
#include <sqlite3ext.h>

#include <string>
#include <string_view>

#include "erp/db/catalogue_schema.h"
#include "erp/db/erp_collation.h"

SQLITE_EXTENSION_INIT1

namespace {

int compareErpCiCallback(void*, int bytesA, const void* a, int bytesB, const void* b) {
  return tarn::erp::db::compareErpCi(
      std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(bytesA)),
      std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bytesB)));
}

// Hands SQLite a message of its own allocation, as a failing entry point must.
int failWith(char** message, const std::string& text, int resultCode) {
  if (message) *message = sqlite3_mprintf("%s", text.c_str());
  return resultCode;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int sqlite3_tarnsqliteerp_init(
    sqlite3* db, char** message, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  int rc = sqlite3_create_collation_v2(db, tarn::erp::db::kErpCollationName, SQLITE_UTF8, nullptr,
                                       compareErpCiCallback, nullptr);
  if (rc != SQLITE_OK) {
    return failWith(message, std::string("cannot add the collation ERP_CI: ") + sqlite3_errmsg(db),
                    rc);
  }
  char* viewsMessage = nullptr;
  rc = sqlite3_exec(db, tarn::erp::db::catalogueViewsScript().c_str(), nullptr, nullptr,
                    &viewsMessage);
  if (rc != SQLITE_OK) {
    const std::string reason = viewsMessage ? viewsMessage : sqlite3_errstr(rc);
    sqlite3_free(viewsMessage);
    return failWith(message, "cannot add the catalogue views: " + reason, rc);
  }
  return SQLITE_OK;
}

extern "C" __attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char** message, const sqlite3_api_routines* api) {
  return sqlite3_tarnsqliteerp_init(db, message, api);
}
