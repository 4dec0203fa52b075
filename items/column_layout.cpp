#include "items/column_layout.h"

#include <cstddef>
#include <utility>

#include "tarnvelloc/automation/text.h"

namespace tarn::items {
namespace {

constexpr std::u16string_view kFromWord = u" from";
constexpr std::u16string_view kSelectWord = u"Select ";
constexpr std::u16string_view kOrderBy = u" Order by ";
constexpr std::u16string_view kOrderEnd = u" ";
constexpr char16_t kCaptionSeparator = u',';

}  // namespace

ColumnLayout GetColLayout(services::ColumnSettingsService& columnSettings, std::u16string key) {
  std::u16string info = columnSettings.getColInfo(key).toString();
  // GetSqlString receives the info variable itself: a replacement made by the service is what
  // GetOrderClause copies next.
  std::u16string list = automation::trimBlanks(columnSettings.GetSqlString(info).toString());
  std::u16string order = GetOrderClause(columnSettings, info);
  services::RecordSet columnSet = columnSettings.getColSet(key);
  return ColumnLayout{std::move(info), std::move(list), std::move(order), std::move(columnSet)};
}

std::u16string GetOrderClause(services::ColumnSettingsService& columnSettings,
                              std::u16string info) {
  const std::u16string order =
      automation::trimBlanks(columnSettings.GetOrderString(info).toString());
  if (order.empty()) return {};
  return std::u16string(kOrderBy) + order + std::u16string(kOrderEnd);
}

void ReplaceSelectList(std::u16string& sql, std::u16string_view list) {
  sql = automation::trimBlanks(sql);
  // ASCII lower-casing keeps every position, so the match found in the lower-cased copy marks
  // the same place in the text, whose letter case is kept.
  const std::size_t from = automation::asciiLower(sql).find(kFromWord);
  if (from == std::u16string::npos) return;
  sql = std::u16string(kSelectWord) + std::u16string(list) + sql.substr(from);
}

void appendToColumnSet(std::u16string& columnSet, const automation::Variant& value) {
  if (columnSet.empty()) {
    columnSet = value.toString();
    return;
  }
  columnSet += kCaptionSeparator;
  if (!value.isNull()) columnSet += value.toString();
}

std::u16string joinColumnSet(services::RecordSet& columnSet, std::u16string_view field) {
  std::u16string text;
  while (!columnSet.eof()) {
    appendToColumnSet(text, columnSet.field(field));
    columnSet.moveNext();
  }
  columnSet.close();
  return text;
}

}  // namespace tarn::items
