#include "tarnvelloc/erp/item_questions.h"

#include <array>

#include "erp/db/database.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::Variant;

// `select` + what follows it, keeping the first `limit` rows in the database's own way.
std::u16string firstRows(db::Dialect dialect, std::u16string_view rest, std::size_t limit) {
  const std::u16string count = automation::fromUtf8(std::to_string(limit));
  if (dialect == db::Dialect::kSqlServer)
    return u"select top " + count + u" " + std::u16string(rest);
  return u"select " + std::u16string(rest) + u" limit " + count;
}

std::u16string_view lengthFunction(db::Dialect dialect) {
  return dialect == db::Dialect::kSqlServer ? u"len" : u"length";
}

std::vector<std::u16string> texts(const ResultSet& result) {
  std::vector<std::u16string> out;
  for (const auto& row : result.rows) {
    if (!row[0].isNull()) out.push_back(row[0].toString());
  }
  return out;
}

bool plainIdentifier(std::u16string_view name) {
  if (name.empty() || (name[0] >= u'0' && name[0] <= u'9')) return false;
  for (const char16_t c : name) {
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (!letter && c != u'_' && !(c >= u'0' && c <= u'9')) return false;
  }
  return true;
}

}  // namespace

std::optional<ItemDefinitionRow> itemDefinition(HeldConnection& connection,
                                                std::u16string_view caption,
                                                std::optional<std::u16string_view> itemClass) {
  db::Database& database = connection.database();
  ResultSet rows;
  if (itemClass) {
    const std::array<Variant, 2> parameters{Variant(std::u16string(*itemClass)),
                                            Variant(std::u16string(caption))};
    rows = database.queryNative(
        firstRows(database.dialect(),
                  u"cID, cType, iMaxLen from UserDef where cClass = ? and cItem = ?", 1),
        parameters);
  } else {
    const std::array<Variant, 1> parameters{Variant(std::u16string(caption))};
    rows = database.queryNative(
        firstRows(database.dialect(), u"cID, cType, iMaxLen from UserDef where cItem = ?", 1),
        parameters);
  }
  if (rows.rows.empty()) return std::nullopt;
  return ItemDefinitionRow{rows.rows[0][0], rows.rows[0][1], rows.rows[0][2]};
}

std::vector<std::u16string> itemValuesEqualTo(HeldConnection& connection,
                                              std::u16string_view itemId, std::u16string_view value,
                                              std::size_t limit) {
  db::Database& database = connection.database();
  const std::array<Variant, 2> parameters{Variant(std::u16string(itemId)),
                                          Variant(std::u16string(value))};
  return texts(database.queryNative(
      firstRows(database.dialect(),
                u"cValue from UserDefine where cID = ? and cValue = ? order by cValue", limit),
      parameters));
}

std::vector<std::u16string> itemValuesOfLength(HeldConnection& connection,
                                               std::u16string_view itemId, std::size_t shortest,
                                               std::size_t longest, std::size_t limit) {
  db::Database& database = connection.database();
  const std::u16string length = std::u16string(lengthFunction(database.dialect())) + u"(cValue)";
  const std::array<Variant, 3> parameters{Variant(std::u16string(itemId)),
                                          Variant(static_cast<std::int32_t>(shortest)),
                                          Variant(static_cast<std::int32_t>(longest))};
  return texts(
      database.queryNative(firstRows(database.dialect(),
                                     u"cValue from UserDefine where cID = ? and " + length +
                                         u" between ? and ? " + u"order by cValue",
                                     limit),
                           parameters));
}

std::optional<std::u16string> rowGrant(HeldConnection& connection, std::u16string_view userId,
                                       std::u16string_view table) {
  const std::array<Variant, 2> parameters{Variant(std::u16string(userId)),
                                          Variant(std::u16string(table))};
  const auto grants = texts(connection.database().queryNative(
      u"select cAccess from TarnRowAuth where cUserId = ? and cTableName = ?", parameters));
  if (grants.empty()) return std::nullopt;
  return grants.front();
}

bool hasInventory(HeldConnection& connection, std::u16string_view code) {
  const std::array<Variant, 1> parameters{Variant(std::u16string(code))};
  return !connection.database()
              .queryNative(u"select cInvCode from Inventory where cInvCode = ?", parameters)
              .rows.empty();
}

std::optional<std::u16string> columnTypeName(HeldConnection& connection, std::u16string_view table,
                                             std::u16string_view column) {
  const std::array<Variant, 2> parameters{Variant(std::u16string(table)),
                                          Variant(std::u16string(column))};
  const auto names = texts(connection.database().queryNative(
      u"select systypes.name from sysobjects, syscolumns, systypes "
      u"where sysobjects.id = syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = ? "
      u"and syscolumns.xusertype = systypes.xtype and syscolumns.name = ?",
      parameters));
  if (names.empty()) return std::nullopt;
  return names.front();
}

std::optional<Variant> sourceValue(HeldConnection& connection, std::u16string_view table,
                                   std::u16string_view column, const Variant& value) {
  if (!plainIdentifier(table) || !plainIdentifier(column)) return std::nullopt;
  db::Database& database = connection.database();
  const std::u16string name(column);
  const std::array<Variant, 1> parameters{value};
  const auto rows = database.queryNative(
      firstRows(database.dialect(),
                name + u" from " + std::u16string(table) + u" where " + name + u" = ?", 1),
      parameters);
  if (rows.rows.empty()) return std::nullopt;
  return rows.rows[0][0];
}

}  // namespace tarn::erp
