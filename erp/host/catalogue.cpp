#include "tarnvelloc/erp/catalogue.h"

#include "erp/db/catalogue_questions.h"
#include "erp/db/open_database.h"

namespace tarn::erp {

bool hasTable(std::u16string_view connectionString, std::u16string_view table) {
  return db::hasTable(*db::openDatabase(connectionString), table);
}

bool hasColumn(std::u16string_view connectionString, std::u16string_view table,
               std::u16string_view column) {
  return db::hasColumn(*db::openDatabase(connectionString), table, column);
}

std::optional<std::u16string> voucherTable(std::u16string_view connectionString,
                                           std::u16string_view cardNumber) {
  return db::voucherTable(*db::openDatabase(connectionString), cardNumber);
}

}  // namespace tarn::erp
