#include "erp/providers/voucher_field_list.h"

#include <array>
#include <string>

namespace tarn::erp::providers {
namespace {

using automation::Variant;

constexpr std::u16string_view kConfiguredFields =
    u"select FieldName, fielddef from TarnVoucherField where cTableName = ? order by iColumnNo";

// The table's own columns: a query that returns no row still names them all.
db::ResultSet ownColumns(db::Database& database, std::u16string_view table) {
  std::u16string bracketed;
  for (char16_t c : table) {
    bracketed += c;
    if (c == u']') bracketed += u']';
  }
  const auto empty = database.query(u"select * from [" + bracketed + u"] where 1=0");
  db::ResultSet fields{{u"FieldName", u"fielddef"}, {}};
  for (const auto& column : empty.columns) {
    fields.rows.push_back({Variant(column), Variant(column)});
  }
  return fields;
}

}  // namespace

db::ResultSet voucherFieldList(db::Database& database, std::u16string_view table) {
  const std::array<Variant, 1> parameters{Variant(std::u16string(table))};
  auto configured = database.queryNative(kConfiguredFields, parameters);
  if (!configured.rows.empty()) return configured;
  return ownColumns(database, table);
}

}  // namespace tarn::erp::providers
