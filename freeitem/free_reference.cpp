#include "freeitem/free_reference.h"

#include <string>
#include <utility>

#include "automation/text.h"
#include "freeitem/free_item_name.h"
#include "freeitem/free_reference_sql.h"
#include "userdefine/column_layout.h"
#include "userdefine/sql_text.h"

namespace tarn::freeitem {

namespace sql = free_reference_sql;
using userdefine::literalText;

std::optional<userdefine::Reference> buildFreeReference(
    services::ColumnSettingsService& columnSettings, std::u16string_view sFreeFldName,
    std::u16string_view sMatchVal) {
  const auto name = parseFreeItemName(sFreeFldName);
  if (!name) return std::nullopt;

  // The column information and the order clause are not used: a free item's pick-list has no
  // ordering of its own.
  userdefine::ColumnLayout layout =
      userdefine::GetColLayout(columnSettings, std::u16string(kFreeItemLayoutKey));

  std::u16string query = std::u16string(sql::kSelectValues) + literalText(name->itemCaption()) +
                         std::u16string(sql::kJoinDefinitions);
  const std::u16string match = literalText(automation::trimBlanks(sMatchVal));
  if (!match.empty()) {
    query += std::u16string(sql::kValueLike) + match + std::u16string(sql::kAliasLike) + match +
             std::u16string(sql::kMatchEnd);
  }
  userdefine::ReplaceSelectList(query, layout.list);

  std::u16string columnSet = userdefine::JoinColumnSet(layout.columnSet, userdefine::kCaptionField);
  return userdefine::Reference{std::move(query), std::move(columnSet)};
}

}  // namespace tarn::freeitem
