// The commands of velloc. Each returns the process exit status: 0 when the component answered
// (whatever its answer), 1 when the work could not be done (a database that cannot be opened,
// Init returning false). Usage errors are the argument parser's (status 2).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "cli/host.h"

namespace tarn::cli {

struct GlobalOptions {
  std::string connection;  // --conn: an ADO-style connection string
  std::string database;    // --db: a SQLite file, short for Provider=SQLite;Data Source=FILE
  std::string user = "demo";
  bool json = false;
};

// The demo database used when neither --conn nor --db is given.
inline constexpr const char* kDefaultDatabase = "velloc-demo.db";

// Creates the demo database: the default file is recreated freely; another existing file only
// with `replace`.
int runDemo(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err);
int runReference(const GlobalOptions& options, const ReferenceRequest& request, std::ostream& out,
                 std::ostream& err);
int runFreeReference(const GlobalOptions& options, const std::string& field,
                     const std::string& inventory, bool hasInventory, const std::string& match,
                     std::ostream& out, std::ostream& err);
int runValidation(const GlobalOptions& options, const ReferenceRequest& request,
                  const std::string& value, bool build, std::ostream& out, std::ostream& err);
int runFreeValidation(const GlobalOptions& options, const std::string& field,
                      const std::string& value, bool build, std::ostream& out, std::ostream& err);

}  // namespace tarn::cli
