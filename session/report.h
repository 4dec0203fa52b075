// What a request answers: a reference (its SQL, its captions and the pick-list rows
// under them), a validation (the code, its meaning, the value as it came back) and every error,
// each either as readable text or as one JSON object for programs. The JSON of each command is
// described by cli/schemas/<command>.schema.json.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "session/failure.h"
#include "session/pick_list.h"
#include "session/validation_reasons.h"
#include "session/velloc_host.h"

namespace tarn::session {

std::string meaningOf(std::int16_t code);

// `reason`: why a reference was refused (or names no known inventory), as explainReference and
// explainFreeReference find it.
std::string referenceText(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList, const std::optional<Reason>& reason = {});
std::string referenceJson(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList, const std::optional<Failure>& failure,
                          const std::optional<Reason>& reason = {});
std::string validationText(const Context& context, const ValidationAnswer& answer,
                           const Explanation& explanation);
std::string validationJson(const Context& context, const ValidationAnswer& answer,
                           const Explanation& explanation, const std::optional<Failure>& failure);
// {"command", "database", "created": true} for demo and init.
std::string creationJson(const Context& context);

// "velloc: " + the message, one line, control characters escaped; a database failure is
// introduced as such.
std::string failureText(const Failure& failure);
// {"command", "database", "error": {"kind", "message", "operation"}}.
std::string failureJson(const Context& context, const Failure& failure);

// Delivers a failure as the options ask: its JSON on `out`, or its text on `err`. Returns its exit
// status.
int reportFailure(bool json, const Context& context, const Failure& failure, std::ostream& out,
                  std::ostream& err);

}  // namespace tarn::session
