// What the ERP tables say about an item, for a host that explains a validation after the
// component has answered it: the item's definition, its archived values, the user's grant on a
// table, whether an inventory code exists, and how a source column is typed and spelt. Every
// question runs on a connection the host holds, with every value as a bound parameter; names
// of tables and columns go into the statement only after the host has checked them against the
// catalogue, and only when they are plain identifiers. Every function raises AutomationError
// (kComponentFailure) with the database's own message when the database cannot be read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/variant.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::erp {

// A UserDef row as the archiving step reads it: cId, cType and iMaxLen as stored (Null kept).
struct ItemDefinitionRow {
  automation::Variant id;
  automation::Variant type;
  automation::Variant maxLength;
};

// The first UserDef row whose cItem is `caption` and, when `itemClass` is given, whose cClass is
// it ('单据头', '单据体'); a free item is asked without a class, as the component asks.
std::optional<ItemDefinitionRow> itemDefinition(HeldConnection& connection,
                                                std::u16string_view caption,
                                                std::optional<std::u16string_view> itemClass);

// The values of item `itemId` that the database's comparison takes as equal to `value`, as
// they are stored, in the list's order (cValue under the comparison rule); at most `limit`.
std::vector<std::u16string> itemValuesEqualTo(HeldConnection& connection,
                                              std::u16string_view itemId, std::u16string_view value,
                                              std::size_t limit);

// The values of item `itemId` whose stored length (as the database counts it, trailing blanks
// aside where it ignores them) lies in [shortest, longest], in the list's order; at most
// `limit`.
std::vector<std::u16string> itemValuesOfLength(HeldConnection& connection,
                                               std::u16string_view itemId, std::size_t shortest,
                                               std::size_t longest, std::size_t limit);

// The access of `userId`'s grant on `table` in TarnRowAuth ("all", "none", "listed"), nothing
// when the user has no grant there.
std::optional<std::u16string> rowGrant(HeldConnection& connection, std::u16string_view userId,
                                       std::u16string_view table);

// True when Inventory holds the code `code`.
bool hasInventory(HeldConnection& connection, std::u16string_view code);

// The catalogue type name (systypes.name) of column `column` of user table `table`, as the
// catalogue views report it; nothing when the views know no such column.
std::optional<std::u16string> columnTypeName(HeldConnection& connection, std::u16string_view table,
                                             std::u16string_view column);

// The spelling column `column` of `table` holds for `value` (a text compared as the database
// compares, or a number), every row counted whatever anyone's grant; nothing when no row has it,
// or when either name is not a plain identifier (ASCII letters, digits and '_', not starting
// with a digit).
std::optional<automation::Variant> sourceValue(HeldConnection& connection,
                                               std::u16string_view table,
                                               std::u16string_view column,
                                               const automation::Variant& value);

}  // namespace tarn::erp
