#include "erp/providers/default_layout.h"

#include <array>
#include <string>

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::providers {
namespace {

using automation::Variant;

constexpr std::size_t kTextColumns = 2;
constexpr std::int32_t kKeyWidth = 1200;
constexpr std::int32_t kTextWidth = 2000;

// The same columns as the rows db/schema.sql writes for these keys.
const std::vector<LayoutColumn> kUserDefineLayout = {
    {u"A.cValue", u"档案值", 2000, 1, false},
    {u"A.cAlias", u"别名", 1500, 0, false},
};
const std::vector<LayoutColumn> kUserDefFreeLayout = {
    {u"A.cValue", u"自由项值", 2000, 1, false},
    {u"A.cAlias", u"别名", 1500, 0, false},
    {u"A.cBarCode", u"条形码", 2200, 0, false},
};

// The columns of a table or view in catalogue order: name and SQL Server type name (Null for a
// column without one, such as SQLite's integer row key).
constexpr std::u16string_view kCatalogueColumns =
    u"select o.name, c.name, t.name from sysobjects o join syscolumns c on c.id = o.id"
    u" left join systypes t on t.xusertype = c.xusertype"
    u" where o.name = ? and o.xtype in ('U', 'V') order by o.name, c.colid";

bool isTextType(const std::u16string& type) {
  for (const auto* text : {u"nvarchar", u"nchar", u"varchar", u"char", u"ntext", u"text"}) {
    if (type == text) return true;
  }
  return false;
}

// The key as ERP_CI compares it: ASCII letters lower-cased, trailing blanks dropped.
std::u16string comparable(std::u16string_view key) {
  auto lowered = automation::asciiLower(key);
  while (!lowered.empty() && lowered.back() == u' ') lowered.pop_back();
  return lowered;
}

std::vector<LayoutColumn> archiveLayout(db::Database& database, std::u16string_view table) {
  const std::array<Variant, 1> name{Variant(std::u16string(table))};
  const auto columns = database.queryNative(kCatalogueColumns, name).rows;
  std::vector<LayoutColumn> layout;
  if (columns.empty()) return layout;
  // Two tables whose names differ only in letter case: the first one's columns.
  const auto owner = columns.front()[0].toString();
  const auto qualified = [&](const Variant& column) { return owner + u"." + column.toString(); };
  layout.push_back(
      {qualified(columns.front()[1]), columns.front()[1].toString(), kKeyWidth, 1, false});
  for (std::size_t i = 1; i < columns.size() && layout.size() <= kTextColumns; ++i) {
    const auto& row = columns[i];
    if (row[0].toString() != owner || row[2].isNull()) continue;
    if (!isTextType(automation::asciiLower(row[2].toString()))) continue;
    layout.push_back({qualified(row[1]), row[1].toString(), kTextWidth, 0, false});
  }
  return layout;
}

}  // namespace

std::vector<LayoutColumn> defaultColumnLayout(db::Database& database, std::u16string_view key) {
  const auto compared = comparable(key);
  if (compared == u"userdefineref") return kUserDefineLayout;
  if (compared == u"userdeffreeref") return kUserDefFreeLayout;
  constexpr std::u16string_view kSuffix = u"ref";
  if (compared.size() <= kSuffix.size() || !compared.ends_with(kSuffix)) return {};
  auto table = std::u16string(key);
  while (table.back() == u' ') table.pop_back();
  table.resize(table.size() - kSuffix.size());
  return archiveLayout(database, table);
}

}  // namespace tarn::erp::providers
