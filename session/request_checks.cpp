#include "session/request_checks.h"

#include "session/failure.h"
#include "session/item_fields.h"

namespace tarn::session {

std::optional<std::int16_t> valueNamed(std::span<const NamedValue> names, std::string_view name) {
  for (const auto& named : names) {
    if (named.name == name) return named.value;
  }
  return std::nullopt;
}

std::string listedNames(std::span<const NamedValue> names) {
  std::string listed;
  for (const auto& named : names) listed += (listed.empty() ? "" : ", ") + std::string(named.name);
  return listed;
}

void checkUserDefinedField(const ReferenceRequest& request, bool validates) {
  if (!validates && request.source != velloc::kListSource) return;
  if (auto problem = userDefinedFieldProblem(request.field)) refuseUsage(*problem);
}

void checkFreeField(std::u16string_view field) {
  if (auto problem = freeFieldProblem(field)) refuseUsage(*problem);
}

void checkSourceOptions(const ReferenceRequest& request, bool comparesAColumn,
                        const KeyNames& keys) {
  const bool needsColumn = comparesAColumn || !request.match.empty();
  if (request.source == velloc::kArchiveSource) {
    if (request.table.empty()) {
      refuseUsage(keys.source + " archive needs " + keys.table +
                  ", the archive table (e.g. customer, person)");
    }
    if (needsColumn && request.column.empty()) {
      refuseUsage(keys.source + " archive needs " + keys.column + ", the column compared");
    }
  } else if (request.source == velloc::kVoucherSource) {
    if (request.card.empty()) {
      refuseUsage(keys.source + " voucher needs " + keys.card + ", the voucher card number");
    }
    if (needsColumn && request.column.empty()) {
      refuseUsage(keys.source + " voucher needs " + keys.column + ", the column compared");
    }
  }
}

}  // namespace tarn::session
