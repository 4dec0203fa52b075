// The commands of velloc. Each writes its answer to `out` (one JSON object with --json) and
// returns the process exit status: 0 when the component answered (whatever its answer), 1 when
// the work could not be done or a database failure came with the answer, 2 for a usage error.
// Without --json, errors go to `err`; with it, they are part of the JSON answer on `out`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "cli/host.h"
#include "cli/report.h"
#include "tarnvelloc/erp/statement.h"

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

// The steps the commands are made of, shared with velloc serve. Each raises CommandError when the
// work cannot be done.
struct CommandError {
  Failure failure;
};

// The connection string the options name, once the database has been found usable: it opens,
// and it holds the ERP tables. Without --conn or --db, the default demo database is created in
// the working folder on first use (said on `err`).
std::u16string openConnection(const GlobalOptions& options, std::ostream& err);
// Init(connection, user) on `host`; a database failure or a False result raises.
void initialise(VellocHost& host, const std::u16string& connection, const std::u16string& user);
// True when the database holds a table named `table` (compared as the ERP compares its keys).
bool hasTable(const std::u16string& connection, const std::u16string& table);
// The first database failure the outside components met on this thread since the last
// erp::clearDatabaseFailures(), if any.
std::optional<Failure> databaseFailure();
// Runs the SQL of an accepted reference unchanged, keeping the rows inside `window`, under the
// reference's captions (or the query's column names when they do not match one for one).
PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window);

// Prints a usage error found before any command ran (exit status 2).
int reportUsageError(const GlobalOptions& options, const std::string& command,
                     const std::string& message, std::ostream& out, std::ostream& err);

}  // namespace tarn::cli
