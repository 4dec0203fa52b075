#include "freeitem/free_validation.h"

#include <optional>

#include "freeitem/free_item_name.h"
#include "freeitem/free_validation_sql.h"
#include "userdefine/archive_entry.h"
#include "userdefine/sql_text.h"

namespace tarn::freeitem {
namespace {

namespace sql = free_validation_sql;
using userdefine::kAccepted;
using userdefine::kRefused;
using userdefine::literalText;

std::u16string archivedValuesQuery(std::u16string_view caption, std::u16string_view match,
                                   std::u16string_view value) {
  return std::u16string(sql::kSelectValues) + literalText(caption) + std::u16string(match) +
         literalText(value) + std::u16string(sql::kValueEnd);
}

}  // namespace

std::int16_t ValidateFreeAr(services::ArchiveDataService& archiveData,
                            std::u16string_view sFreeFldName, std::u16string& sFreeVal,
                            bool bBuildAr, std::int16_t& running) {
  const std::optional<FreeItemName> name = parseFreeItemName(sFreeFldName);
  if (!name) return bBuildAr ? userdefine::kNotArchived : kRefused;
  const std::u16string caption = name->itemCaption();
  const std::u16string value = sFreeVal;

  {
    std::u16string query = archivedValuesQuery(caption, sql::kByValue, value);
    services::RecordSet rows = archiveData.OpenX(query);
    running = rows.hasNoRows() ? kRefused : kAccepted;
    rows.close();
  }
  if (running == kRefused) {
    std::u16string query = archivedValuesQuery(caption, sql::kByAlias, value);
    services::RecordSet rows = archiveData.OpenX(query);
    if (!rows.hasNoRows()) {
      running = kAccepted;
      sFreeVal = rows.field(std::int16_t{0}).toString();
    }
    rows.close();
  }
  if (bBuildAr && running == kRefused) {
    running = userdefine::AddArchiveValue(archiveData, caption, std::nullopt, value,
                                          userdefine::ValueRules::kLengthOnly);
  }
  return running;
}

}  // namespace tarn::freeitem
