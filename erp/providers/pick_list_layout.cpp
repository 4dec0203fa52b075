#include "erp/providers/pick_list_layout.h"

#include <algorithm>
#include <array>

namespace tarn::erp::providers {
namespace {

using automation::Variant;

constexpr std::u16string_view kLayoutColumns =
    u"select cExpression, cCaption, iWidth, iOrderNo, bDescending from TarnColumnLayout"
    u" where cLayoutKey = ? order by iColumnNo";

std::u16string joined(const std::vector<std::u16string>& parts) {
  std::u16string text;
  for (const auto& part : parts) {
    if (!text.empty()) text += u", ";
    text += part;
  }
  return text;
}

}  // namespace

std::vector<LayoutColumn> readColumnLayout(db::Database& database, std::u16string_view key) {
  const std::array<Variant, 1> parameters{Variant(std::u16string(key))};
  std::vector<LayoutColumn> columns;
  for (const auto& row : database.queryNative(kLayoutColumns, parameters).rows) {
    columns.push_back({row[0].toString(), row[1].toString(), row[2].toLong(),
                       row[3].isNull() ? 0 : row[3].toLong(), row[4].toLong() != 0});
  }
  return columns;
}

std::u16string selectListOf(const std::vector<LayoutColumn>& columns) {
  std::vector<std::u16string> expressions;
  for (const auto& column : columns) expressions.push_back(column.expression);
  return joined(expressions);
}

std::u16string orderListOf(const std::vector<LayoutColumn>& columns) {
  std::vector<const LayoutColumn*> ordering;
  for (const auto& column : columns) {
    if (column.orderNo > 0) ordering.push_back(&column);
  }
  std::stable_sort(ordering.begin(), ordering.end(),
                   [](const auto* a, const auto* b) { return a->orderNo < b->orderNo; });
  std::vector<std::u16string> terms;
  for (const auto* column : ordering) {
    terms.push_back(column->descending ? column->expression + u" desc" : column->expression);
  }
  return joined(terms);
}

}  // namespace tarn::erp::providers
