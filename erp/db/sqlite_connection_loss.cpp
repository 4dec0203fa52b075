// The SQLite half of connection_loss.h, apart so that a build without the embedded SQLite
// backend (TarnErp.dll) compiles the rest.
#include <sqlite3.h>

#include "erp/db/connection_loss.h"

namespace tarn::erp::db {

bool connectionLostCode(int sqliteResultCode) {
  switch (sqliteResultCode & 0xff) {
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
    case SQLITE_IOERR:
      return true;
    default:
      return false;
  }
}

}  // namespace tarn::erp::db
