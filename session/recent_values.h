// The values a person chose lately for an item, offered first when the person opens the item's
// field empty: kept in the service table TarnRecentValue, at most kRecentValuesKept per person
// and item, and only ever read back for the person who chose them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/velloc_host.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {

inline constexpr int kRecentValuesKept = 10;

// The key an item's recent values are kept under: where its values come from and which item it
// is, in lower case, e.g. "list/header/cdefine1", "archive/body/cdefine2/customer/ccusname",
// "voucher/header/cdefine3/ct01/ccontractname", "free/cfree1". A reference and a validation of
// the same item give the same key; the typed match plays no part.
std::u16string recentItemKey(const ReferenceRequest& request);
std::u16string recentFreeItemKey(std::u16string_view field);

class RecentValues {
 public:
  explicit RecentValues(erp::HeldConnection& connection) : connection_(connection) {}

  // Records `value` as `person`'s latest of the item, dropping the oldest beyond
  // kRecentValuesKept, in one transaction. A database failure raises RequestError.
  void record(std::string_view person, std::u16string_view itemKey, std::u16string_view value);

  // `person`'s values of the item, the most recent first. A database failure raises
  // RequestError.
  std::vector<std::u16string> list(std::string_view person, std::u16string_view itemKey);

 private:
  erp::HeldConnection& connection_;
};

}  // namespace tarn::session
