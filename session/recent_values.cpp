#include "session/recent_values.h"

#include "session/database_failures.h"
#include "session/request_checks.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/service_tables.h"

namespace tarn::session {
namespace {

// A name as the ERP compares it: blanks around it and ASCII letter case do not count.
std::u16string lowerAscii(std::u16string_view text) {
  std::u16string lower = automation::trimBlanks(text);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower;
}

std::u16string nameOf(std::span<const NamedValue> names, std::int16_t value) {
  for (const auto& named : names) {
    if (named.value == value) return automation::fromUtf8(named.name);
  }
  return automation::fromUtf8(std::to_string(value));
}

}  // namespace

std::u16string recentItemKey(const ReferenceRequest& request) {
  std::u16string key = nameOf(kSourceNames, request.source) + u'/' +
                       nameOf(kSectionNames, request.section) + u'/' + lowerAscii(request.field);
  if (request.source == velloc::kArchiveSource) {
    key += u'/' + lowerAscii(request.table) + u'/' + lowerAscii(request.column);
  } else if (request.source == velloc::kVoucherSource) {
    key += u'/' + lowerAscii(request.card) + u'/' + lowerAscii(request.column);
  }
  return key;
}

std::u16string recentFreeItemKey(std::u16string_view field) { return u"free/" + lowerAscii(field); }

void RecentValues::record(std::string_view person, std::u16string_view itemKey,
                          std::u16string_view value) {
  onDatabase(
      [&] { erp::recordRecentValue(connection_, person, itemKey, value, kRecentValuesKept); });
}

std::vector<std::u16string> RecentValues::list(std::string_view person,
                                               std::u16string_view itemKey) {
  return onDatabase(
      [&] { return erp::recentValues(connection_, person, itemKey, kRecentValuesKept); });
}

}  // namespace tarn::session
