// The commands of velloc. Each writes its answer to `out` (one JSON object with --json) and
// returns the process exit status: 0 when the component answered (whatever its answer), 1 when
// the work could not be done or a database failure came with the answer, 2 for a usage error.
// Without --json, errors go to `err`; with it, they are part of the JSON answer on `out`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/host.h"
#include "cli/report.h"

namespace tarn::cli {

struct GlobalOptions {
  std::string connection;  // --conn: an ADO-style connection string
  std::string database;    // --db: a SQLite file, short for Provider=SQLite;Data Source=FILE
  std::string user = "demo";
  bool json = false;
};

// The demo database used when neither --conn nor --db is given.
inline constexpr const char* kDefaultDatabase = "velloc-demo.db";

// How many pick-list rows ref and free-ref print unless --limit says otherwise.
inline constexpr std::size_t kDefaultRowLimit = 50;

// Creates an empty ERP database (the schema with its service tables, no data) in the SQLite file
// named by --db. An existing file is only replaced with `replace`.
int runInit(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err);
// Creates the demo database. An existing file is only replaced with `replace`, except the
// default file while it holds nothing but the demo data.
int runDemo(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err);
// `limit` 0 prints every row.
int runReference(const GlobalOptions& options, const ReferenceRequest& request, std::size_t limit,
                 std::ostream& out, std::ostream& err);
int runFreeReference(const GlobalOptions& options, const std::string& field,
                     const std::string& inventory, bool hasInventory, const std::string& match,
                     std::size_t limit, std::ostream& out, std::ostream& err);
int runValidation(const GlobalOptions& options, const ReferenceRequest& request,
                  const std::string& value, bool build, std::ostream& out, std::ostream& err);
int runFreeValidation(const GlobalOptions& options, const std::string& field,
                      const std::string& value, bool build, std::ostream& out, std::ostream& err);

// Prints a usage error found before any command ran (exit status 2).
int reportUsageError(const GlobalOptions& options, const std::string& command,
                     const std::string& message, std::ostream& out, std::ostream& err);

}  // namespace tarn::cli
