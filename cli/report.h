// What the velloc command prints: a reference (its SQL, its captions and the pick-list rows
// under them), a validation (the code, its meaning, the value as it came back) and every error,
// each either as readable text or as one JSON object for programs. The JSON of each command is
// described by cli/schemas/<command>.schema.json.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/host.h"

namespace tarn::cli {

struct PickList {
  std::vector<std::string> headings;                   // the captions, or the query's column names
  std::vector<std::vector<automation::Variant>> rows;  // the rows shown
  std::size_t totalRows = 0;                           // the rows the SQL gave in all
};

// Why a command could not give its answer. A usage error is the caller's mistake (exit 2); a
// database failure is one the outside components met during the call (exit 1), also when the
// component answered with a code; any other failure is exit 1 too.
struct Failure {
  enum class Kind { kUsage, kDatabase, kOther };
  Kind kind = Kind::kOther;
  std::string message;
  std::string operation;  // a database failure's statement or operation, when known

  int exitStatus() const { return kind == Kind::kUsage ? 2 : 1; }
};

// What every answer carries besides its own keys.
struct Context {
  std::string command;   // "" when the command line named none
  std::string database;  // the database that answered, "" when none was reached
};

std::string meaningOf(std::int16_t code);

std::string referenceText(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList);
std::string referenceJson(const Context& context, const ReferenceAnswer& answer,
                          const PickList& pickList, const std::optional<Failure>& failure);
std::string validationText(const Context& context, const ValidationAnswer& answer);
std::string validationJson(const Context& context, const ValidationAnswer& answer,
                           const std::optional<Failure>& failure);
// {"command", "database", "created": true} for demo and init.
std::string creationJson(const Context& context);

// "velloc: " + the message, one line, control characters escaped; a database failure is
// introduced as such.
std::string failureText(const Failure& failure);
// {"command", "database", "error": {"kind", "message", "operation"}}.
std::string failureJson(const Context& context, const Failure& failure);

// Splits a column-set text at its commas ("A,,C" gives A, "", C; "" gives nothing).
std::vector<std::string> splitColumnSet(const std::u16string& columnSet);

}  // namespace tarn::cli
