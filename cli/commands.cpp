#include "cli/commands.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/secret_input.h"
#include "session/catalogue_checks.h"
#include "session/database_failures.h"
#include "session/page_cursor.h"
#include "session/pick_list.h"
#include "session/report.h"
#include "session/request_checks.h"
#include "session/scram.h"
#include "session/text_table.h"
#include "session/validation_reasons.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/service_role.h"
#include "tarnvelloc/erp/service_tables.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::cli {
namespace {

using automation::fromUtf8;
using session::Context;
using session::DatabaseFailureScope;
using session::Failure;
using session::onDatabase;
using session::printable;

// The component, initialised on the database and user the options name.
// The component, initialised on the database and user the options name, and the connection the
// command's own checks and pick-list run on, opened once.
struct OpenSession {
  session::VellocHost host;
  std::u16string connection;
  erp::HeldConnection held;
};

std::unique_ptr<OpenSession> openSession(const SessionOptions& options, Context& context,
                                         std::ostream& err) {
  auto connection = session::openConnection(options, err);
  context.database = erp::describeDatabase(connection);
  auto held = onDatabase([&] { return erp::HeldConnection(connection); });
  auto opened = std::unique_ptr<OpenSession>(
      new OpenSession{session::VellocHost(), std::move(connection), std::move(held)});
  session::initialise(opened->host, opened->connection, fromUtf8(options.user));
  return opened;
}

// Runs a command: every failure becomes its text on `err` or its JSON on `out`, with its status.
template <typename Work>
int guarded(const SessionOptions& options, Context& context, std::ostream& out, std::ostream& err,
            Work work) {
  Failure failure;
  try {
    return work();
  } catch (const session::RequestError& e) {
    failure = e.failure;
  } catch (const std::exception& e) {
    failure = Failure{Failure::Kind::kOther, e.what(), {}};
  }
  return session::reportFailure(options.json, context, failure, out, err);
}

// Prints an answer that came back from the component, and its database failure if one came
// with it (exit status 1).
int answered(const SessionOptions& options, const std::string& json, const std::string& text,
             const std::optional<Failure>& failure, std::ostream& out, std::ostream& err) {
  out << (options.json ? json : text);
  if (!failure) return 0;
  if (!options.json) err << session::failureText(*failure);
  return failure->exitStatus();
}

// `limit` 0 prints every row; `count` counts them all when more follow than are printed.
int printReference(const SessionOptions& options, const Context& context, OpenSession& opened,
                   const session::ReferenceAnswer& answer, const std::optional<Failure>& failure,
                   std::size_t limit, bool count, const session::PickOrder& order,
                   const std::optional<session::Reason>& reason, std::ostream& out,
                   std::ostream& err) {
  const session::PickList pickList =
      failure
          ? session::PickList{}
          : session::runPickList(opened.held, answer,
                                 erp::RowWindow{0, limit == 0 ? SIZE_MAX : limit, count}, order);
  return answered(options, session::referenceJson(context, answer, pickList, failure, reason),
                  session::referenceText(context, answer, pickList, reason), failure, out, err);
}

int printValidation(const SessionOptions& options, const Context& context,
                    const session::ValidationAnswer& answer,
                    const session::Explanation& explanation, const std::optional<Failure>& failure,
                    std::ostream& out, std::ostream& err) {
  return answered(options, session::validationJson(context, answer, explanation, failure),
                  session::validationText(context, answer, explanation), failure, out, err);
}

// The --conn string when it names a database other than a SQLite file (an ODBC data source),
// which init and demo fill in place; a SQLite file is named with --db.
std::optional<std::u16string> serverConnection(const SessionOptions& options) {
  if (options.connection.empty()) return std::nullopt;
  auto connection = fromUtf8(options.connection);
  if (!erp::isWellFormedConnectionString(connection) || erp::namesSqliteFile(connection)) {
    return std::nullopt;
  }
  return connection;
}

// Runs `fill` on the server database `connection` names and reports it as init and demo do.
// Nothing here drops a server database, so --replace is refused before the database is touched.
int fillServerDatabase(const SessionOptions& options, Context& context,
                       const std::u16string& connection,
                       const std::function<void(std::u16string_view)>& fill, bool replace,
                       std::ostream& out, std::string_view before, std::string_view after) {
  if (replace) {
    session::refuseUsage(
        "--replace recreates a SQLite file; a server database is dropped and made again by its "
        "administrator, then filled by " +
        context.command + " without --replace");
  }
  context.database = erp::describeDatabase(connection);
  onDatabase([&] { fill(connection); });
  if (options.json) {
    out << session::creationJson(context);
  } else {
    out << before << printable(context.database) << after;
  }
  return 0;
}

// The file init and demo create, named as the SQLite file they make.
void requireFileTarget(const SessionOptions& options, std::string_view command) {
  if (!options.connection.empty()) {
    session::fail(Failure::Kind::kOther, std::string(command) +
                                             " creates a SQLite file: name it with --db FILE, "
                                             "not --conn");
  }
}

// The existing ERP database that init --service-tables and upgrade change in place: named with
// --db or --conn, never the default demo database.
std::u16string existingDatabase(const SessionOptions& options, Context& context,
                                std::string_view command, std::ostream& err) {
  if (options.connection.empty() && options.database.empty()) {
    session::fail(Failure::Kind::kOther,
                  std::string(command) + " needs --db FILE or --conn STRING, an ERP database");
  }
  auto connection = session::openConnection(options, err);
  context.database = erp::describeDatabase(connection);
  return connection;
}

std::string tableList(const std::vector<std::u16string>& tables) {
  std::string text;
  for (const auto& table : tables) {
    if (!text.empty()) text += ", ";
    text += automation::toUtf8(table);
  }
  return text;
}

std::string changeJson(const Context& context, const erp::ServiceTablesChange& change) {
  nlohmann::ordered_json json;
  json["command"] = context.command;
  json["database"] = context.database;
  json["versionBefore"] = change.versionBefore;
  json["version"] = change.versionAfter;
  json["tablesAdded"] = nlohmann::ordered_json::array();
  for (const auto& table : change.tablesAdded) {
    json["tablesAdded"].push_back(automation::toUtf8(table));
  }
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// Adds the missing service tables, then does `alsoDo` on the same database; `note` ends the text.
int runAddServiceTables(const SessionOptions& session, Context& context, std::ostream& out,
                        std::ostream& err, const std::function<void(const std::u16string&)>& alsoDo,
                        const std::string& note) {
  const auto connection = existingDatabase(session, context, "init --service-tables", err);
  const auto change = onDatabase([&] {
    auto added = erp::addServiceTables(connection);
    alsoDo(connection);
    return added;
  });
  if (session.json) {
    out << changeJson(context, change);
  } else if (change.tablesAdded.empty()) {
    out << printable(context.database) << " has every service table of version "
        << change.versionAfter << ": nothing added.\n";
  } else {
    out << "Added the service tables " << tableList(change.tablesAdded) << " to "
        << printable(context.database) << " (version " << change.versionAfter
        << "; ERP tables untouched).\n";
  }
  if (!session.json) out << note;
  return 0;
}

}  // namespace

int runUpgrade(const SessionOptions& session, std::ostream& out, std::ostream& err) {
  Context context{"upgrade", {}};
  return guarded(session, context, out, err, [&] {
    const auto connection = existingDatabase(session, context, "upgrade", err);
    const auto change = onDatabase([&] { return erp::upgradeServiceTables(connection); });
    if (session.json) {
      out << changeJson(context, change);
    } else if (change.versionBefore == change.versionAfter) {
      out << "The service tables of " << printable(context.database) << " are at version "
          << change.versionAfter << ", this program's: nothing to upgrade.\n";
    } else {
      out << "Upgraded the service tables of " << printable(context.database) << " from version "
          << change.versionBefore << " to version " << change.versionAfter
          << (change.tablesAdded.empty() ? "" : " (added " + tableList(change.tablesAdded) + ")")
          << ".\n";
    }
    return 0;
  });
}

int runInit(const SessionOptions& session, const InitOptions& options, std::ostream& out,
            std::ostream& err) {
  Context context{"init", {}};
  return guarded(session, context, out, err, [&] {
    const auto server = serverConnection(session);
    std::string roleNote;
    std::u16string role, verifier;  // the password as PostgreSQL keeps it
    if (options.serviceRole) {
      role = fromUtf8(*options.serviceRole);
      if (!server) {
        session::refuseUsage(
            "--service-role makes a login role on a PostgreSQL database: "
            "name the database with --conn");
      }
      if (!erp::isServiceRoleName(role)) {
        session::refuseUsage("--service-role " + printable(*options.serviceRole) +
                             ": 1 to 63 lower-case letters, digits and '_', not starting with a "
                             "digit or pg_");
      }
      verifier = fromUtf8(session::scramSha256Verifier(readNewPassword()));
      roleNote = "Made the login role " + *options.serviceRole +
                 ": it reads the ERP tables and adds archived values, nothing else.\n";
    }
    if (options.serviceTables) {
      return runAddServiceTables(
          session, context, out, err,
          [&](const std::u16string& connection) {
            if (!role.empty()) erp::createServiceRole(connection, role, verifier);
          },
          roleNote);
    }
    if (server) {
      const auto fill = [&](std::u16string_view connection) {
        erp::initialiseErpDatabase(connection);
        if (!role.empty()) erp::createServiceRole(connection, role, verifier);
      };
      return fillServerDatabase(session, context, *server, fill, options.replace, out,
                                "Created the empty ERP schema in ",
                                " (schema and service tables, no data).\n" + roleNote);
    }
    requireFileTarget(session, "init");
    if (session.database.empty()) {
      session::fail(Failure::Kind::kOther, "init needs --db FILE, the new database");
    }
    const std::string& file = session.database;
    if (std::filesystem::exists(file) && !options.replace) {
      session::fail(Failure::Kind::kOther,
                    file + " exists; give --replace to recreate it as an empty ERP database");
    }
    onDatabase([&] { erp::createEmptyDatabase(file); });
    context.database = file;
    if (session.json) {
      out << session::creationJson(context);
      return 0;
    }
    out << "Created the empty ERP database " << printable(file)
        << " (schema and service tables, no data).\n";
    return 0;
  });
}

int runDemo(const SessionOptions& session, const DemoOptions& options, std::ostream& out,
            std::ostream& err) {
  Context context{"demo", {}};
  return guarded(session, context, out, err, [&] {
    if (const auto server = serverConnection(session)) {
      return fillServerDatabase(session, context, *server, erp::fillDemoCompany, options.replace,
                                out, "Filled the demo company into ", ".\n");
    }
    requireFileTarget(session, "demo");
    const std::string file =
        session.database.empty() ? session::kDefaultDatabase : session.database;
    if (std::filesystem::exists(file) && !options.replace) {
      if (file != session::kDefaultDatabase) {
        session::fail(Failure::Kind::kOther,
                      file + " exists; give --replace to recreate it as the demo database");
      }
      if (!erp::holdsOnlyDemoData(file)) {
        session::fail(Failure::Kind::kOther,
                      file +
                          " holds values that are not the demo's (archived with --build, "
                          "or another database); give --replace to recreate it");
      }
    }
    onDatabase([&] { erp::createDemoDatabase(file); });
    context.database = file;
    if (session.json) {
      out << session::creationJson(context);
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
    session::TextTable table({"command", "what it shows"});
    for (const auto& [command, what] : tries) table.addRow({command, what});
    out << table.render();
    return 0;
  });
}

int runReference(const SessionOptions& session, const RefOptions& options, std::ostream& out,
                 std::ostream& err) {
  Context context{"ref", {}};
  return guarded(session, context, out, err, [&] {
    session::checkUserDefinedField(options.request, false);
    session::checkSourceOptions(options.request, false, session::kCommandLineKeys);
    auto after = session::readContinuation(options.after, 0, "--after", "--offset");
    auto opened = openSession(session, context, err);
    session::checkNamesAgainstCatalogue(opened->held, options.request, session::kCommandLineKeys);
    const DatabaseFailureScope scope;
    const auto answer = opened->host.reference(options.request);
    const auto failure = scope.failure();
    const auto reason = failure ? std::nullopt
                                : session::explainReference(opened->held, fromUtf8(session.user),
                                                            options.request, answer);
    return printReference(session, context, *opened, answer, failure, options.limit, options.count,
                          {options.request.match, std::move(after)}, reason, out, err);
  });
}

int runFreeReference(const SessionOptions& session, const FreeRefOptions& options,
                     std::ostream& out, std::ostream& err) {
  Context context{"free-ref", {}};
  return guarded(session, context, out, err, [&] {
    session::checkFreeField(options.field);
    auto after = session::readContinuation(options.after, 0, "--after", "--offset");
    auto opened = openSession(session, context, err);
    const DatabaseFailureScope scope;
    const auto answer =
        options.inventory
            ? opened->host.structuredFreeReference(*options.inventory, options.field, options.match)
            : opened->host.freeReference(options.field, options.match);
    const auto failure = scope.failure();
    const auto reason = failure ? std::nullopt
                                : session::explainFreeReference(opened->held, options.field,
                                                                options.inventory, answer);
    return printReference(session, context, *opened, answer, failure, options.limit, options.count,
                          {options.match, std::move(after)}, reason, out, err);
  });
}

int runValidation(const SessionOptions& session, const ValidateOptions& options, std::ostream& out,
                  std::ostream& err) {
  Context context{"validate", {}};
  return guarded(session, context, out, err, [&] {
    session::checkUserDefinedField(options.request, true);
    session::checkSourceOptions(options.request, true, session::kCommandLineKeys);
    auto opened = openSession(session, context, err);
    session::checkNamesAgainstCatalogue(opened->held, options.request, session::kCommandLineKeys);
    const DatabaseFailureScope scope;
    const auto answer = opened->host.validate(options.request, options.value, options.build);
    auto failure = scope.failure();
    const auto explanation = session::explainUnlessFailed(failure, [&] {
      return session::explainValidation(opened->held, fromUtf8(session.user), options.request,
                                        answer);
    });
    return printValidation(session, context, answer, explanation, failure, out, err);
  });
}

int runFreeValidation(const SessionOptions& session, const ValidateFreeOptions& options,
                      std::ostream& out, std::ostream& err) {
  Context context{"validate-free", {}};
  return guarded(session, context, out, err, [&] {
    session::checkFreeField(options.field);
    auto opened = openSession(session, context, err);
    const DatabaseFailureScope scope;
    const auto answer = opened->host.validateFree(options.field, options.value, options.build);
    auto failure = scope.failure();
    const auto explanation = session::explainUnlessFailed(failure, [&] {
      return session::explainFreeValidation(opened->held, options.field, answer);
    });
    return printValidation(session, context, answer, explanation, failure, out, err);
  });
}

}  // namespace tarn::cli
