// TarnErp.dll has no embedded SQLite: it reaches every database, SQLite files included, through
// ODBC. A connection string that names a SQLite file directly is refused here.
#include "erp/db/sqlite_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {

std::unique_ptr<Database> openSqliteDatabase(const std::filesystem::path& file, bool) {
  automation::raise(automation::ErrorCode::kComponentFailure,
                    "no embedded SQLite in this build: open " +
                        automation::toUtf8(file.u16string()) +
                        " through ODBC (Driver=...;Database=...)");
}

}  // namespace tarn::erp::db
