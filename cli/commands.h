// The commands of velloc's command line. Each writes its answer to `out` (one JSON object with
// --json) and returns the process exit status: 0 when the component answered (whatever its
// answer), 1 when the work could not be done or a database failure came with the answer, 2 for a
// usage error. Without --json, errors go to `err`; with it, they are part of the JSON answer on
// `out`.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

#include "session/connection.h"
#include "session/velloc_host.h"

namespace tarn::cli {

using session::SessionOptions;

// How many pick-list rows ref and free-ref print unless --limit says otherwise.
inline constexpr std::size_t kDefaultRowLimit = 50;

// init: an empty ERP database (the schema with its service tables, no data), in the SQLite file
// named by --db, or in the server database --conn names. An existing file is only replaced with
// `replace`. With `serviceTables`, adds the service tables an existing ERP database lacks
// (tarnvelloc/erp/service_tables.h) and touches nothing else.
struct InitOptions {
  bool replace = false;
  // On a PostgreSQL database: a login role of that name for the service, whose password is read
  // as a secret (secret_input.h); it reads the ERP tables and adds archived values, nothing else.
  std::optional<std::string> serviceRole;
  // Only the missing service tables, added to an existing ERP database.
  bool serviceTables = false;
};
int runInit(const SessionOptions& session, const InitOptions& options, std::ostream& out,
            std::ostream& err);

// demo: the demo database. An existing file is only replaced with `replace`, except the default
// file while it holds nothing but the demo data.
struct DemoOptions {
  bool replace = false;
};
int runDemo(const SessionOptions& session, const DemoOptions& options, std::ostream& out,
            std::ostream& err);

// ref: a user-defined item's reference and its pick-list; `limit` 0 prints every row.
struct RefOptions {
  session::ReferenceRequest request;
  std::size_t limit = kDefaultRowLimit;
  bool count = false;                // count every row, also those not printed
  std::optional<std::string> after;  // continue after this cursor (a previous answer's next)
};
int runReference(const SessionOptions& session, const RefOptions& options, std::ostream& out,
                 std::ostream& err);

// free-ref: a free item's reference, or with an inventory code its structured one.
struct FreeRefOptions {
  std::u16string field;
  std::optional<std::u16string> inventory;
  std::u16string match;
  std::size_t limit = kDefaultRowLimit;
  bool count = false;
  std::optional<std::string> after;
};
int runFreeReference(const SessionOptions& session, const FreeRefOptions& options,
                     std::ostream& out, std::ostream& err);

// validate: a value typed into a user-defined item; `build` archives it when found nowhere.
struct ValidateOptions {
  session::ReferenceRequest request;
  std::u16string value;
  bool build = false;
};
int runValidation(const SessionOptions& session, const ValidateOptions& options, std::ostream& out,
                  std::ostream& err);

// validate-free: a value typed into a free item.
struct ValidateFreeOptions {
  std::u16string field;
  std::u16string value;
  bool build = false;
};
int runFreeValidation(const SessionOptions& session, const ValidateFreeOptions& options,
                      std::ostream& out, std::ostream& err);

// upgrade: brings the service tables of the ERP database --db or --conn names to this program's
// version, in one transaction; says so and changes nothing when they are at it already.
int runUpgrade(const SessionOptions& session, std::ostream& out, std::ostream& err);

}  // namespace tarn::cli
