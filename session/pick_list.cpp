#include "session/pick_list.h"

#include "session/database_failures.h"
#include "session/failure.h"
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
PickList pickListOn(Connection& connection, const ReferenceAnswer& answer, erp::RowWindow window,
                    const PickOrder& order) {
  PickList pickList;
  if (!answer.ok) return pickList;
  erp::RankedWindow ranked{order.match, std::nullopt, window};
  if (order.after) {
    if (window.offset != 0)
      refuseUsage("a cursor continues a list by itself: give no offset with it");
    ranked.after = cursorKeyFor(*order.after, answer.sql, order.match);
  }
  auto result = onDatabase([&] { return erp::runRankedStatement(connection, answer.sql, ranked); });
  const auto captions = splitColumnSet(answer.columnSet);
  if (captions.size() == result.rows.rows.columns.size()) {
    pickList.headings = captions;
  } else {
    for (const auto& column : result.rows.rows.columns) pickList.headings.push_back(toUtf8(column));
  }
  pickList.rows = std::move(result.rows.rows.rows);
  pickList.more = result.rows.more;
  pickList.total = result.rows.totalRows;
  pickList.totalRows = result.rows.totalRows.value_or(0);
  if (pickList.more && result.lastKey) {
    pickList.next = makePageCursor(answer.sql, order.match, *result.lastKey);
  }
  return pickList;
}

}  // namespace

PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window, const PickOrder& order) {
  return pickListOn(connection, answer, window, order);
}

PickList runPickList(erp::HeldConnection& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window) {
  return pickListOn(connection, answer, window, PickOrder{});
}

PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window) {
  window.countRows = true;
  return pickListOn(connection, answer, window, PickOrder{});
}

}  // namespace tarn::session
