#include "tarnvelloc/erp/statement.h"

#include "erp/db/connection_string.h"
#include "erp/db/database.h"

namespace tarn::erp {

bool isWellFormedConnectionString(std::u16string_view connectionString) {
  return db::ConnectionString::parse(connectionString).has_value();
}

ResultSet runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText) {
  return db::openDatabase(connectionString)->query(sqlServerText);
}

}  // namespace tarn::erp
