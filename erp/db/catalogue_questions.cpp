#include "erp/db/catalogue_questions.h"

#include <initializer_list>
#include <vector>

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::Variant;

ResultSet ask(Database& database, std::u16string_view nativeText,
              std::initializer_list<std::u16string_view> values) {
  std::vector<Variant> parameters;
  for (const auto value : values) parameters.emplace_back(std::u16string(value));
  return database.queryNative(nativeText, parameters);
}

// True when a row's first column names `name` exactly as the ERP spells a key: ASCII letter
// case and trailing blanks aside, code unit for code unit. The database's own comparison may be
// looser (on PostgreSQL it also ignores width), and a name it matched that way would not be found
// by the component's SQL.
bool spelledAs(const ResultSet& names, std::u16string_view name) {
  const std::u16string wanted = automation::asciiLower(automation::trimBlanks(name));
  for (const auto& row : names.rows) {
    if (!row[0].isNull() &&
        automation::asciiLower(automation::trimBlanks(row[0].toString())) == wanted) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool hasTable(Database& database, std::u16string_view table) {
  return spelledAs(
      ask(database, u"select name from sysobjects where xtype = 'U' and name = ?", {table}), table);
}

bool hasColumn(Database& database, std::u16string_view table, std::u16string_view column) {
  if (!hasTable(database, table)) return false;
  return spelledAs(ask(database,
                       u"select syscolumns.name from sysobjects, syscolumns where sysobjects.id = "
                       u"syscolumns.id and sysobjects.xtype = 'U' and sysobjects.name = ? and "
                       u"syscolumns.name = ?",
                       {table, column}),
                   column);
}

std::optional<std::u16string> voucherTable(Database& database, std::u16string_view cardNumber) {
  const auto voucher =
      ask(database, u"select BTTblName from Vouchers where CardNumber = ?", {cardNumber});
  if (voucher.rows.empty()) return std::nullopt;
  const Variant& table = voucher.rows[0][0];
  return table.isNull() ? std::u16string() : table.toString();
}

}  // namespace tarn::erp::db
