#include "freeitem/free_validation.h"

#include <optional>

#include "freeitem/free_item_name.h"
#include "items/archive_entry.h"
#include "items/archived_value_lookup.h"

namespace tarn::freeitem {

std::int16_t validateFreeItemValue(services::ArchiveDataService& archiveData,
                                   std::u16string_view sFreeFldName, std::u16string& sFreeVal,
                                   bool bBuildAr, std::int16_t& running) {
  const std::optional<FreeItemName> name = parseFreeItemName(sFreeFldName);
  if (!name) return items::refusalCode(bBuildAr);
  const std::u16string caption = name->itemCaption();
  return items::lookUpArchivedValue(archiveData,
                                    {caption, std::nullopt, items::ValueRules::kLengthOnly},
                                    bBuildAr, sFreeVal, running);
}

}  // namespace tarn::freeitem
