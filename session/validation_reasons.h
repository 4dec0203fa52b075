// Why a validation or a reference came out as it did, worked out by the host after the component
// has answered, from what the ERP tables say: the item's definition (its type, its longest
// length), its archived values, the user's grant on the table, the inventory code. The reasons
// follow the component's answer and never contradict it: an accepted value is never said to be
// refused, and a value the component archived is said to be archived.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/failure.h"
#include "session/velloc_host.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {

// A stable code and one English sentence, with the parameters the sentence names. Codes:
// not_found, not_a_number, not_a_whole_number, not_a_date, too_long (limit), closed, no_rights
// (table), unknown_item, unknown_inventory (inventory), alias, archived, stored_spelling, and,
// for a reference only, refused.
struct Reason {
  std::string code;
  std::string message;
  std::optional<std::int64_t> limit;
  std::optional<std::string> table;
  std::optional<std::string> inventory;
};

// What a validation's answer carries besides the component's code and value.
struct Explanation {
  std::optional<Reason> reason;          // nothing for a plain acceptance
  std::optional<std::u16string> stored;  // the archive's spelling of a value accepted unlike it
  std::vector<std::u16string> similar;   // for a value not accepted: what it may have meant
  bool archivable = false;               // archiving the typed value would pass the item's checks
};

// A user-defined item's validation, `userId` the ERP user the component was initialised with.
Explanation explainValidation(erp::HeldConnection& connection, std::u16string_view userId,
                              const ReferenceRequest& request, const ValidationAnswer& answer);

// A free item's validation.
Explanation explainFreeValidation(erp::HeldConnection& connection, std::u16string_view field,
                                  const ValidationAnswer& answer);

// A user-defined item's reference: nothing when the component gave it; for a refusal
// no_rights, unknown_item, or refused when the tables say nothing more.
std::optional<Reason> explainReference(erp::HeldConnection& connection, std::u16string_view userId,
                                       const ReferenceRequest& request,
                                       const ReferenceAnswer& answer);

// A free item's reference, with the inventory code of the structured one: unknown_inventory
// whenever Inventory has no such code (the component then answers with a list of no rows, or
// refuses); for another refusal unknown_item or refused.
std::optional<Reason> explainFreeReference(erp::HeldConnection& connection,
                                           std::u16string_view field,
                                           const std::optional<std::u16string>& inventory,
                                           const ReferenceAnswer& answer);

// `explain()` unless `failure` already holds. A database failure while explaining becomes
// `failure` and leaves no explanation, so that the component's code is still answered with it:
// a value the component archived is never reported as a failed call.
template <typename Explain>
Explanation explainUnlessFailed(std::optional<Failure>& failure, Explain explain) {
  if (failure) return {};
  try {
    return explain();
  } catch (const RequestError& e) {
    if (e.failure.kind != Failure::Kind::kDatabase) throw;
    failure = e.failure;
    return {};
  }
}

}  // namespace tarn::session
