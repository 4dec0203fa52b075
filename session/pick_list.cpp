#include "session/pick_list.h"

#include "session/database_failures.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::session {

using automation::toUtf8;

std::vector<std::string> splitColumnSet(const std::u16string& columnSet) {
  std::vector<std::string> parts;
  if (columnSet.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const auto comma = columnSet.find(u',', start);
    parts.push_back(toUtf8(columnSet.substr(start, comma - start)));
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
  return parts;
}

namespace {

template <typename Connection>
PickList pickListOn(Connection& connection, const ReferenceAnswer& answer, erp::RowWindow window) {
  PickList pickList;
  if (!answer.ok) return pickList;
  auto result = onDatabase([&] { return erp::runStatement(connection, answer.sql, window); });
  const auto captions = splitColumnSet(answer.columnSet);
  if (captions.size() == result.rows.columns.size()) {
    pickList.headings = captions;
  } else {
    for (const auto& column : result.rows.columns) pickList.headings.push_back(toUtf8(column));
  }
  pickList.rows = std::move(result.rows.rows);
  pickList.more = result.more;
  pickList.total = result.totalRows;
  pickList.totalRows = result.totalRows.value_or(0);
  return pickList;
}

}  // namespace

PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window) {
  return pickListOn(connection, answer, window);
}

PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window) {
  window.countRows = true;
  return pickListOn(connection, answer, window);
}

}  // namespace tarn::session
