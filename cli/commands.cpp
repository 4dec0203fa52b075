#include "cli/commands.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/item_fields.h"
#include "cli/text_table.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/diagnostics.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::cli {
namespace {

using automation::fromUtf8;
using automation::toUtf8;

[[noreturn]] void fail(Failure::Kind kind, std::string message) {
  throw CommandError{Failure{kind, std::move(message), {}}};
}

// Runs work that reads the database directly (not through the component); its failures are
// database failures.
template <typename Work>
auto onDatabase(Work work) {
  try {
    return work();
  } catch (const automation::AutomationError& error) {
    fail(Failure::Kind::kDatabase, erp::databaseMessage(error));
  }
}

std::u16string literal(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    out += c;
    if (c == u'\'') out += u'\'';
  }
  return out;
}

// Opens the database the component is about to be given, so that the user hears the database's
// own reason when it cannot be used, and learns when it has no ERP tables, rather than only
// that Init failed.
void checkDatabase(const std::u16string& connection) {
  if (!erp::isWellFormedConnectionString(connection)) {
    // The string is not echoed: it may hold a password.
    fail(Failure::Kind::kOther,
         "malformed connection string (expected key=value pairs, e.g. "
         "Provider=SQLite;Data Source=erp.db)");
  }
  if (!hasTable(connection, u"UserDefine")) {
    fail(Failure::Kind::kOther,
         "the database has no ERP tables: " + erp::describeDatabase(connection) +
             " (create the demo database with: velloc demo --db FILE)");
  }
}

std::u16string resolveConnection(const GlobalOptions& options, std::ostream& err) {
  if (!options.connection.empty()) return fromUtf8(options.connection);
  if (!options.database.empty()) {
    if (!std::filesystem::exists(options.database)) {
      fail(Failure::Kind::kOther, "database file not found: " + options.database +
                                      " (create one with: velloc demo --db " + options.database +
                                      ")");
    }
    return erp::sqliteConnectionString(options.database);
  }
  if (!std::filesystem::exists(kDefaultDatabase)) {
    onDatabase([] { erp::createDemoDatabase(kDefaultDatabase); });
    err << "velloc: created the demo database " << kDefaultDatabase << " in this folder\n";
  }
  return erp::sqliteConnectionString(kDefaultDatabase);
}

struct Session {
  VellocHost host;
  std::u16string connection;
};

std::unique_ptr<Session> openSession(const GlobalOptions& options, Context& context,
                                     std::ostream& err) {
  auto session =
      std::unique_ptr<Session>(new Session{VellocHost(), resolveConnection(options, err)});
  context.database = erp::describeDatabase(session->connection);
  checkDatabase(session->connection);
  initialise(session->host, session->connection, fromUtf8(options.user));
  return session;
}

void checkUserDefinedField(const std::u16string& field) {
  if (auto problem = userDefinedFieldProblem(field)) fail(Failure::Kind::kUsage, *problem);
}

void checkFreeField(const std::u16string& field) {
  if (auto problem = freeFieldProblem(field)) fail(Failure::Kind::kUsage, *problem);
}

// The archive and voucher sources need what the component cannot work without; velloc says so
// rather than letting the database reject the statement the component builds.
void checkSourceOptions(const ReferenceRequest& request, bool comparesAField) {
  const bool needsField = comparesAField || !request.match.empty();
  if (request.source == 1) {
    if (request.table.empty()) {
      fail(Failure::Kind::kUsage,
           "--source archive needs --table, the archive table (e.g. customer, person)");
    }
    if (needsField && request.column.empty()) {
      fail(Failure::Kind::kUsage, "--source archive needs --field, the column compared");
    }
  } else if (request.source == 2) {
    if (request.card.empty()) {
      fail(Failure::Kind::kUsage, "--source voucher needs --card, the voucher card number");
    }
    if (needsField && request.column.empty()) {
      fail(Failure::Kind::kUsage, "--source voucher needs --field, the column compared");
    }
  }
}

void checkArchiveTable(const std::u16string& connection, const ReferenceRequest& request) {
  if (request.source == 1 && !hasTable(connection, request.table)) {
    fail(Failure::Kind::kUsage,
         "unknown --table " + toUtf8(request.table) + ": the database has no such table");
  }
}

}  // namespace

bool hasTable(const std::u16string& connection, const std::u16string& table) {
  const auto count = onDatabase([&] {
    return erp::runStatement(
        connection,
        u"select count(*) from sysobjects where xtype = 'U' and name = N'" + literal(table) + u"'");
  });
  return !count.rows.empty() && count.rows[0][0].toLong() > 0;
}

std::u16string openConnection(const GlobalOptions& options, std::ostream& err) {
  const auto connection = resolveConnection(options, err);
  checkDatabase(connection);
  return connection;
}

void initialise(VellocHost& host, const std::u16string& connection, const std::u16string& user) {
  erp::clearDatabaseFailures();
  if (!host.init(connection, user)) {
    const auto failures = erp::databaseFailures();
    if (!failures.empty()) fail(Failure::Kind::kDatabase, failures.front().message);
    fail(Failure::Kind::kOther, "the component could not be initialised: Init returned False");
  }
}

std::optional<Failure> databaseFailure() {
  const auto failures = erp::databaseFailures();
  if (failures.empty()) return std::nullopt;
  return Failure{Failure::Kind::kDatabase, failures.front().message, failures.front().operation};
}

PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer,
                     erp::RowWindow window) {
  PickList pickList;
  if (!answer.ok) return pickList;
  auto result = onDatabase([&] { return erp::runStatement(connection, answer.sql, window); });
  const auto captions = splitColumnSet(answer.columnSet);
  if (captions.size() == result.rows.columns.size()) {
    pickList.headings = captions;
  } else {
    for (const auto& column : result.rows.columns) pickList.headings.push_back(toUtf8(column));
  }
  pickList.rows = std::move(result.rows.rows);
  pickList.totalRows = result.totalRows;
  return pickList;
}

namespace {

// Runs a command: every failure becomes its text on `err` or its JSON on `out`, with its status.
template <typename Work>
int guarded(const GlobalOptions& options, Context& context, std::ostream& out, std::ostream& err,
            Work work) {
  Failure failure;
  try {
    return work();
  } catch (const CommandError& e) {
    failure = e.failure;
  } catch (const std::exception& e) {
    failure = Failure{Failure::Kind::kOther, e.what(), {}};
  }
  if (options.json) {
    out << failureJson(context, failure);
  } else {
    err << failureText(failure);
  }
  return failure.exitStatus();
}

// Prints an answer that came back from the component, and its database failure if one came
// with it (exit status 1).
int answered(const GlobalOptions& options, const std::string& json, const std::string& text,
             const std::optional<Failure>& failure, std::ostream& out, std::ostream& err) {
  out << (options.json ? json : text);
  if (!failure) return 0;
  if (!options.json) err << failureText(*failure);
  return failure->exitStatus();
}

int printReference(const GlobalOptions& options, const Context& context, const Session& session,
                   const ReferenceAnswer& answer, std::size_t limit, std::ostream& out,
                   std::ostream& err) {
  const auto failure = databaseFailure();
  const PickList pickList = failure ? PickList{}
                                    : runPickList(session.connection, answer,
                                                  erp::RowWindow{0, limit == 0 ? SIZE_MAX : limit});
  return answered(options, referenceJson(context, answer, pickList, failure),
                  referenceText(context, answer, pickList), failure, out, err);
}

int printValidation(const GlobalOptions& options, const Context& context,
                    const ValidationAnswer& answer, std::ostream& out, std::ostream& err) {
  const auto failure = databaseFailure();
  return answered(options, validationJson(context, answer, failure),
                  validationText(context, answer), failure, out, err);
}

// The --conn string when it names a database other than a SQLite file (an ODBC data source),
// which init and demo fill in place; a SQLite file is named with --db.
std::optional<std::u16string> serverConnection(const GlobalOptions& options) {
  if (options.connection.empty()) return std::nullopt;
  auto connection = fromUtf8(options.connection);
  if (!erp::isWellFormedConnectionString(connection) || erp::namesSqliteFile(connection)) {
    return std::nullopt;
  }
  return connection;
}

// Runs `fill` on the server database `connection` names and reports it as init and demo do.
int fillServerDatabase(const GlobalOptions& options, Context& context,
                       const std::u16string& connection, void (*fill)(std::u16string_view),
                       std::ostream& out, std::string_view before, std::string_view after) {
  context.database = erp::describeDatabase(connection);
  onDatabase([&] { fill(connection); });
  if (options.json) {
    out << creationJson(context);
  } else {
    out << before << printable(context.database) << after;
  }
  return 0;
}

}  // namespace

int reportUsageError(const GlobalOptions& options, const std::string& command,
                     const std::string& message, std::ostream& out, std::ostream& err) {
  const Failure failure{Failure::Kind::kUsage, message, {}};
  if (options.json) {
    out << failureJson(Context{command, {}}, failure);
  } else {
    err << failureText(failure);
  }
  return failure.exitStatus();
}

int runInit(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err) {
  Context context{"init", {}};
  return guarded(options, context, out, err, [&] {
    if (const auto server = serverConnection(options)) {
      return fillServerDatabase(options, context, *server, erp::initialiseErpDatabase, out,
                                "Created the empty ERP schema in ",
                                " (schema and service tables, no data).\n");
    }
    if (!options.connection.empty()) {
      fail(Failure::Kind::kOther, "init creates a SQLite file: name it with --db FILE, not --conn");
    }
    if (options.database.empty()) {
      fail(Failure::Kind::kOther, "init needs --db FILE, the new database");
    }
    const std::string& file = options.database;
    if (std::filesystem::exists(file) && !replace) {
      fail(Failure::Kind::kOther,
           file + " exists; give --replace to recreate it as an empty ERP database");
    }
    onDatabase([&] { erp::createEmptyDatabase(file); });
    context.database = file;
    if (options.json) {
      out << creationJson(context);
      return 0;
    }
    out << "Created the empty ERP database " << printable(file)
        << " (schema and service tables, no data).\n";
    return 0;
  });
}

int runDemo(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err) {
  Context context{"demo", {}};
  return guarded(options, context, out, err, [&] {
    if (const auto server = serverConnection(options)) {
      return fillServerDatabase(options, context, *server, erp::fillDemoCompany, out,
                                "Filled the demo company into ", ".\n");
    }
    if (!options.connection.empty()) {
      fail(Failure::Kind::kOther, "demo creates a SQLite file: name it with --db FILE, not --conn");
    }
    const std::string file = options.database.empty() ? kDefaultDatabase : options.database;
    if (std::filesystem::exists(file) && !replace) {
      if (file != kDefaultDatabase) {
        fail(Failure::Kind::kOther,
             file + " exists; give --replace to recreate it as the demo database");
      }
      if (!erp::holdsOnlyDemoData(file)) {
        fail(Failure::Kind::kOther,
             file +
                 " holds values that are not the demo's (archived with --build, "
                 "or another database); give --replace to recreate it");
      }
    }
    onDatabase([&] { erp::createDemoDatabase(file); });
    context.database = file;
    if (options.json) {
      out << creationJson(context);
      return 0;
    }
    out << "Created the demo database " << printable(file) << ".\n\nTry next:\n";
    const std::pair<const char*, const char*> tries[] = {
        {"velloc ref cdefine3 --match 华", "pick-list of header item 3"},
        {"velloc ref cdefine1 --source archive --table person --field cPersonName",
         "people, with their departments"},
        {"velloc free-ref cfree1 --inventory 01001", "a structured free item"},
        {"velloc validate cdefine3 HD", "an alias, replaced by its value (0 accepted)"},
        {"velloc validate cdefine4 12.5 --build", "not a whole number: -2 not archived"},
        {"velloc validate-free cfree2 特大", "a free item alias"},
    };
    TextTable table({"command", "what it shows"});
    for (const auto& [command, what] : tries) table.addRow({command, what});
    out << table.render();
    return 0;
  });
}

int runReference(const GlobalOptions& options, const ReferenceRequest& request, std::size_t limit,
                 std::ostream& out, std::ostream& err) {
  Context context{"ref", {}};
  return guarded(options, context, out, err, [&] {
    checkUserDefinedField(request.field);
    checkSourceOptions(request, false);
    auto session = openSession(options, context, err);
    checkArchiveTable(session->connection, request);
    erp::clearDatabaseFailures();
    const auto answer = session->host.reference(request);
    return printReference(options, context, *session, answer, limit, out, err);
  });
}

int runFreeReference(const GlobalOptions& options, const std::string& field,
                     const std::string& inventory, bool hasInventory, const std::string& match,
                     std::size_t limit, std::ostream& out, std::ostream& err) {
  Context context{"free-ref", {}};
  return guarded(options, context, out, err, [&] {
    checkFreeField(fromUtf8(field));
    auto session = openSession(options, context, err);
    erp::clearDatabaseFailures();
    const auto answer = hasInventory
                            ? session->host.structuredFreeReference(
                                  fromUtf8(inventory), fromUtf8(field), fromUtf8(match))
                            : session->host.freeReference(fromUtf8(field), fromUtf8(match));
    return printReference(options, context, *session, answer, limit, out, err);
  });
}

int runValidation(const GlobalOptions& options, const ReferenceRequest& request,
                  const std::string& value, bool build, std::ostream& out, std::ostream& err) {
  Context context{"validate", {}};
  return guarded(options, context, out, err, [&] {
    checkUserDefinedField(request.field);
    checkSourceOptions(request, true);
    auto session = openSession(options, context, err);
    checkArchiveTable(session->connection, request);
    erp::clearDatabaseFailures();
    const auto answer = session->host.validate(request, fromUtf8(value), build);
    return printValidation(options, context, answer, out, err);
  });
}

int runFreeValidation(const GlobalOptions& options, const std::string& field,
                      const std::string& value, bool build, std::ostream& out, std::ostream& err) {
  Context context{"validate-free", {}};
  return guarded(options, context, out, err, [&] {
    checkFreeField(fromUtf8(field));
    auto session = openSession(options, context, err);
    erp::clearDatabaseFailures();
    const auto answer = session->host.validateFree(fromUtf8(field), fromUtf8(value), build);
    return printValidation(options, context, answer, out, err);
  });
}

}  // namespace tarn::cli
