#include "freeitem/free_reference.h"

#include <string>
#include <utility>

#include "freeitem/free_item_name.h"
#include "freeitem/free_reference_sql.h"
#include "items/column_layout.h"
#include "items/sql_text.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::freeitem {

namespace sql = free_reference_sql;
using items::literalText;

std::optional<items::Reference> buildFreeReference(services::ColumnSettingsService& columnSettings,
                                                   std::u16string_view sFreeFldName,
                                                   std::u16string_view sMatchVal) {
  const auto name = parseFreeItemName(sFreeFldName);
  if (!name) return std::nullopt;

  // The column information and the order clause are not used: a free item's pick-list has no
  // ordering of its own.
  items::ColumnLayout layout =
      items::GetColLayout(columnSettings, std::u16string(kFreeItemLayoutKey));

  std::u16string query = std::u16string(sql::kSelectValues) + literalText(name->itemCaption()) +
                         std::u16string(sql::kJoinDefinitions);
  const std::u16string match = literalText(automation::trimBlanks(sMatchVal));
  if (!match.empty()) {
    query += std::u16string(sql::kValueLike) + match + std::u16string(sql::kAliasLike) + match +
             std::u16string(sql::kMatchEnd);
  }
  items::ReplaceSelectList(query, layout.list);

  std::u16string columnSet = items::joinColumnSet(layout.columnSet, items::kCaptionField);
  return items::Reference{std::move(query), std::move(columnSet)};
}

}  // namespace tarn::freeitem
