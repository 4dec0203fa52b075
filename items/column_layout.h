// The column layout of a pick-list: what the column-settings service holds under a layout key
// (the select list, the order text, the captions), and the text operations built on it: the
// order clause, the select-list replacement and the column-set joining.
// Nothing is cached: every call asks the service afresh. Failures raise.
#pragma once

#include <string>
#include <string_view>

#include "services/outside_services.h"

namespace tarn::items {

// The field of a column set's rows that holds a column's caption.
inline constexpr std::u16string_view kCaptionField = u"cCaption";

struct ColumnLayout {
  std::u16string info;            // the service's column information text, passed on unread
  std::u16string list;            // the select list, trimmed
  std::u16string order;           // "" or " Order by " + order text + " "
  services::RecordSet columnSet;  // one row per column; field kCaptionField
};

// Asks the service, in order: getColInfo(key, 1), GetSqlString(info), GetOrderString(copy of
// info), getColSet(key, 1).
ColumnLayout GetColLayout(services::ColumnSettingsService& columnSettings, std::u16string key);

// "" when the service's order text is blank, else " Order by " + text + " ".
std::u16string GetOrderClause(services::ColumnSettingsService& columnSettings, std::u16string info);

// Trims blanks off `sql`; then, when it contains " from" (ASCII case ignored), replaces
// everything before the first one with "Select " + list.
void ReplaceSelectList(std::u16string& sql, std::u16string_view list);

// The column-set joining rule for one more value: while the text is empty the value replaces it
// (a Null then raises); afterwards "," and the value are appended (a Null adds only the ",").
void appendToColumnSet(std::u16string& columnSet, const automation::Variant& value);

// Joins the values of field `field` (callers pass kCaptionField) of a column set from its
// current row to its end, then closes it.
// While the text is empty a value replaces it (a Null then raises); afterwards "," and the value
// are appended (a Null adds only the ",").
std::u16string joinColumnSet(services::RecordSet& columnSet, std::u16string_view field);

}  // namespace tarn::items
