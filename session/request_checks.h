// The checks every request passes at the door, written once for the command line and the HTTP
// server. Each raises RequestError (a usage error) naming what is wrong, in one wording; the
// door's own names of its keys (KeyNames) are the only difference.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "session/velloc_host.h"

namespace tarn::session {

// A working method's selector value and the name a request spells it with.
struct NamedValue {
  std::string_view name;
  std::int16_t value;
};

inline constexpr NamedValue kSourceNames[] = {{"list", velloc::kListSource},
                                              {"archive", velloc::kArchiveSource},
                                              {"voucher", velloc::kVoucherSource}};
inline constexpr NamedValue kSectionNames[] = {{"header", velloc::kHeaderSection},
                                               {"body", velloc::kBodySection}};

// The value named `name` (exact letter case), if any.
std::optional<std::int16_t> valueNamed(std::span<const NamedValue> names, std::string_view name);

// The names, in order, separated by ", ".
std::string listedNames(std::span<const NamedValue> names);

// How a door names the keys of a user-defined item's request.
struct KeyNames {
  std::string source, table, column, card;
};
inline const KeyNames kCommandLineKeys{"--source", "--table", "--field", "--card"};
inline const KeyNames kApiKeys{"source", "\"table\"", "\"column\"", "\"card\""};

// The request's field name, where the component reads it, must be one it can accept: a validation
// reads it for every source, a reference for the list source only.
void checkUserDefinedField(const ReferenceRequest& request, bool validates);
// A free item's field name the component can accept.
void checkFreeField(std::u16string_view field);

// The archive and voucher sources need what the component cannot work without: the archive
// table, the voucher card, and the column compared when the request compares one (a validation,
// or a reference with a match text). The door says so rather than letting the database reject
// the statement the component builds.
void checkSourceOptions(const ReferenceRequest& request, bool comparesAColumn,
                        const KeyNames& keys);

}  // namespace tarn::session
