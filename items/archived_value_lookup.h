// The archived-value lookup: the steps both validation methods end with. A typed value is looked
// up among the item's values in UserDefine, then among their aliases, and, when found nowhere
// and the caller allows it, archived as a new value of the item.
//
// Both lookups' record sets are closed on the normal path; a failure raises, and a record set
// still held is then released without Close. Nothing here catches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "items/archive_entry.h"
#include "services/outside_services.h"

namespace tarn::items {

// The item whose archived values are searched: a user-defined item (its section given, values
// checked by type) or a free item (no section, values checked by length only).
struct ArchivedItem {
  std::u16string_view caption;
  ItemSection section;
  ValueRules rules;
};

// Looks up the value held in `value` and returns the running result it leaves in `running`:
// kAccepted when found as a value, or as an alias, in which case `running` is kAccepted before
// field 0 of the alias row is read and `value` is replaced by it (a failure reading it leaves
// `value` as it was); kRefused when found nowhere and bBuildAr is false; otherwise the result of
// archiving the value (kArchived or kNotArchived).
std::int16_t lookUpArchivedValue(services::ArchiveDataService& archiveData,
                                 const ArchivedItem& item, bool bBuildAr, std::u16string& value,
                                 std::int16_t& running);

}  // namespace tarn::items
