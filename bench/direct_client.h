// The baseline every component benchmark is compared with: the statements the component sent,
// captured as SQLite ran them, run again by a hand-written client straight through sqlite3.
//
// StatementCapture records, while a capture is open, the statements that connections of this
// process start at top level (not those a statement runs inside itself, such as the catalogue's
// own lookups), with their parameter values written in as literals: the text a client without
// parameters would send. It must be installed before the connections it should see are opened.
// A capture follows one call of the same work that is not captured, so that it records what
// every timed call sends once the outside components have filled what they keep.
//
// DirectClient holds one connection to a database file, set up as the SQLite backend sets up
// its own (the ERP_CI collation, the catalogue views, foreign keys on, the schema read), and
// runs statements the plain way: prepare, step to the end reading every column, finalize.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "erp/db/catalogue_views.h"

struct sqlite3_stmt;

namespace tarn::bench {

class StatementCapture {
 public:
  // Makes every connection opened from now on report its statements. Once per process.
  static void install();

  // Runs `work` twice and gives the top-level statements the second run made SQLite start, in
  // order. With VELLOC_BENCH_SHOW_STATEMENTS set in the environment, they are also written to
  // stderr.
  static std::vector<std::string> of(const std::function<void()>& work);
};

class DirectClient {
 public:
  explicit DirectClient(const std::filesystem::path& file);
  ~DirectClient();
  DirectClient(const DirectClient&) = delete;
  DirectClient& operator=(const DirectClient&) = delete;

  // Runs each statement once; gives the number of rows read. Aborts on any failure: a baseline
  // that fails measures nothing.
  std::size_t run(const std::vector<std::string>& statements);

  // The prepared-once twin: prepares the statements now and keeps them (replacing any kept
  // before); runPrepared then steps each to the end, reading every column, and resets it, which
  // is the least a client on one connection pays per call.
  void prepare(const std::vector<std::string>& statements);
  std::size_t runPrepared();

 private:
  std::size_t stepToTheEnd(sqlite3_stmt* statement, const char* text);
  void finalizeKept();

  sqlite3* db_ = nullptr;
  std::vector<std::pair<sqlite3_stmt*, std::string>> kept_;
  std::unique_ptr<erp::db::Catalogue> catalogue_;
};

}  // namespace tarn::bench
