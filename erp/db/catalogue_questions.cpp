#include "erp/db/catalogue_questions.h"

#include <initializer_list>
#include <vector>

namespace tarn::erp::db {
namespace {

using automation::Variant;

ResultSet ask(Database& database, std::u16string_view nativeText,
              std::initializer_list<std::u16string_view> values) {
  std::vector<Variant> parameters;
  for (const auto value : values) parameters.emplace_back(std::u16string(value));
  return database.queryNative(nativeText, parameters);
}

bool counted(const ResultSet& count) {
  return !count.rows.empty() && count.rows[0][0].toLong() > 0;
}

}  // namespace

bool hasTable(Database& database, std::u16string_view table) {
  return counted(
      ask(database, u"select count(*) from sysobjects where xtype = 'U' and name = ?", {table}));
}

bool hasColumn(Database& database, std::u16string_view table, std::u16string_view column) {
  return counted(ask(database,
                     u"select count(*) from sysobjects, syscolumns where sysobjects.id = "
                     u"syscolumns.id and sysobjects.xtype = 'U' and sysobjects.name = ? and "
                     u"syscolumns.name = ?",
                     {table, column}));
}

std::optional<std::u16string> voucherTable(Database& database, std::u16string_view cardNumber) {
  const auto voucher =
      ask(database, u"select BTTblName from Vouchers where CardNumber = ?", {cardNumber});
  if (voucher.rows.empty()) return std::nullopt;
  const Variant& table = voucher.rows[0][0];
  return table.isNull() ? std::u16string() : table.toString();
}

}  // namespace tarn::erp::db
