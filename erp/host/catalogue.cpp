#include "tarnvelloc/erp/catalogue.h"

#include "erp/db/open_database.h"

namespace tarn::erp {

bool hasTable(std::u16string_view connectionString, std::u16string_view table) {
  const automation::Variant name{std::u16string(table)};
  const auto count = db::openDatabase(connectionString)
                         ->queryNative(
                             u"select count(*) from sysobjects where xtype = 'U' and "
                             u"name = ?",
                             {&name, 1});
  return !count.rows.empty() && count.rows[0][0].toLong() > 0;
}

}  // namespace tarn::erp
