#include "session/connection.h"

#include <filesystem>
#include <ostream>

#include "session/database_failures.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/catalogue.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::session {
namespace {

// The string is checked before anything is opened, so that the user hears what is wrong with it
// rather than a driver's message. It is not echoed: it may hold a password.
void checkWellFormed(const std::u16string& connection) {
  if (!erp::isWellFormedConnectionString(connection)) {
    fail(Failure::Kind::kOther,
         "malformed connection string (expected key=value pairs, e.g. "
         "Provider=SQLite;Data Source=erp.db)");
  }
}

// A database without the ERP tables is told apart from one the component fails on, with the
// command that gives it them.
void requireErpTables(const std::u16string& connection, bool hasErpTables) {
  if (!hasErpTables) {
    fail(Failure::Kind::kOther,
         "the database has no ERP tables: " + erp::describeDatabase(connection) +
             " (give it the ERP schema with: velloc init, or the demo company with: velloc demo)");
  }
}

std::u16string resolveConnection(const SessionOptions& options, std::ostream& err) {
  if (!options.connection.empty()) return automation::fromUtf8(options.connection);
  if (!options.database.empty()) {
    if (!std::filesystem::exists(options.database)) {
      fail(Failure::Kind::kOther,
           "database file not found: " + options.database +
               " (create the demo with: velloc demo --db " + options.database +
               ", or an empty ERP database with: velloc init --db " + options.database + ")");
    }
    return erp::sqliteConnectionString(options.database);
  }
  if (!std::filesystem::exists(kDefaultDatabase)) {
    onDatabase([] { erp::createDemoDatabase(kDefaultDatabase); });
    err << "velloc: created the demo database " << kDefaultDatabase << " in this folder\n";
  }
  return erp::sqliteConnectionString(kDefaultDatabase);
}

}  // namespace

std::u16string openConnection(const SessionOptions& options, std::ostream& err) {
  const auto connection = resolveConnection(options, err);
  checkWellFormed(connection);
  requireErpTables(connection,
                   onDatabase([&] { return erp::hasTable(connection, u"UserDefine"); }));
  return connection;
}

OpenedDatabase openHeldConnection(const SessionOptions& options, std::ostream& err) {
  auto connection = resolveConnection(options, err);
  checkWellFormed(connection);
  auto held = onDatabase([&] {
    return erp::HeldConnection(connection, erp::HeldConnection::Sharing::kLentToComponent);
  });
  requireErpTables(connection,
                   onDatabase([&] { return erp::hasReadableTable(held, u"UserDefine"); }));
  return OpenedDatabase{std::move(connection), std::move(held)};
}

void initialise(VellocHost& host, const std::u16string& connection, const std::u16string& user) {
  const DatabaseFailureScope scope;
  if (!host.init(connection, user)) {
    if (auto failure = scope.failure()) {
      fail(Failure::Kind::kDatabase, failure->message);
    }
    fail(Failure::Kind::kOther, "the component could not be initialised: Init returned False");
  }
}

}  // namespace tarn::session
