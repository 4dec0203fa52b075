#include "items/archived_value_lookup.h"

#include "items/archived_value_lookup_sql.h"
#include "items/sql_text.h"

namespace tarn::items {
namespace {

namespace sql = archived_value_lookup_sql;

std::u16string_view valuesHead(ItemSection section) {
  if (!section) return sql::kFreeItemValues;
  return *section == kBodySection ? sql::kBodyItemValues : sql::kHeaderItemValues;
}

std::u16string archivedValuesQuery(const ArchivedItem& item, std::u16string_view match,
                                   std::u16string_view value) {
  return std::u16string(valuesHead(item.section)) + literalText(item.caption) +
         std::u16string(match) + literalText(value) + std::u16string(sql::kValueEnd);
}

}  // namespace

std::int16_t lookUpArchivedValue(services::ArchiveDataService& archiveData,
                                 const ArchivedItem& item, bool bBuildAr, std::u16string& value,
                                 std::int16_t& running) {
  const std::u16string typed = value;
  {
    std::u16string query = archivedValuesQuery(item, sql::kByValue, typed);
    services::RecordSet rows = archiveData.OpenX(query);
    running = rows.hasNoRows() ? kRefused : kAccepted;
    rows.close();
  }
  if (running == kRefused) {
    std::u16string query = archivedValuesQuery(item, sql::kByAlias, typed);
    services::RecordSet rows = archiveData.OpenX(query);
    if (!rows.hasNoRows()) {
      running = kAccepted;
      value = rows.field(std::int16_t{0}).toString();
    }
    rows.close();
  }
  if (bBuildAr && running == kRefused) {
    running = AddArchiveValue(archiveData, item.caption, item.section, typed, item.rules);
  }
  return running;
}

}  // namespace tarn::items
