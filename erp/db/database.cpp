#include "erp/db/database.h"

#include "erp/db/recorded.h"

namespace tarn::erp::db {

ResultSet Database::query(std::u16string_view sqlServerText) {
  return recorded(sqlServerText, [&] { return runQuery(sqlServerText); });
}

ResultSet Database::queryNative(std::u16string_view nativeText,
                                std::span<const automation::Variant> parameters) {
  return recorded(nativeText, [&] { return runNative(nativeText, parameters); });
}

WindowedResult Database::queryWindow(std::u16string_view sqlServerText, RowWindow window) {
  return recorded(sqlServerText, [&] { return runWindow(sqlServerText, window); });
}

}  // namespace tarn::erp::db
