#include "cli/commands.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/report.h"
#include "cli/text_table.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::cli {
namespace {

using automation::fromUtf8;
using automation::toUtf8;

// A failure the user can act on; its message is printed as it stands.
struct RunError {
  std::string message;
};

// Opens the database the component is about to be given, so that the user hears the database's
// own reason when it cannot be used, and learns when it has no ERP tables, rather than only
// that Init failed.
void checkDatabase(const std::u16string& connection) {
  if (!erp::isWellFormedConnectionString(connection)) {
    throw RunError{"malformed connection string: " + toUtf8(connection) +
                   " (expected key=value pairs, e.g. Provider=SQLite;Data Source=erp.db)"};
  }
  const auto tables =
      erp::runStatement(connection, u"select count(*) from sysobjects where name = 'UserDefine'");
  if (tables.rows.empty() || tables.rows[0][0].toLong() == 0) {
    throw RunError{"the database has no ERP tables: " + toUtf8(connection) +
                   " (create the demo database with: velloc demo --db FILE)"};
  }
}

std::u16string resolveConnection(const GlobalOptions& options, std::ostream& err) {
  if (!options.connection.empty()) return fromUtf8(options.connection);
  if (!options.database.empty()) {
    if (!std::filesystem::exists(options.database)) {
      throw RunError{"database file not found: " + options.database +
                     " (create one with: velloc demo --db " + options.database + ")"};
    }
    return erp::sqliteConnectionString(options.database);
  }
  if (!std::filesystem::exists(kDefaultDatabase)) {
    erp::createDemoDatabase(kDefaultDatabase);
    err << "velloc: created the demo database " << kDefaultDatabase << " in this folder\n";
  }
  return erp::sqliteConnectionString(kDefaultDatabase);
}

struct Session {
  VellocHost host;
  std::u16string connection;
};

std::unique_ptr<Session> openSession(const GlobalOptions& options, std::ostream& err) {
  auto session =
      std::unique_ptr<Session>(new Session{VellocHost(), resolveConnection(options, err)});
  checkDatabase(session->connection);
  if (!session->host.init(session->connection, fromUtf8(options.user))) {
    throw RunError{"the component could not be initialised: Init returned False for " +
                   toUtf8(session->connection)};
  }
  return session;
}

std::string cellText(const automation::Variant& value) {
  return value.isNull() ? std::string() : toUtf8(value.toString());
}

PickList runPickList(const std::u16string& connection, const ReferenceAnswer& answer) {
  PickList pickList;
  if (!answer.ok) return pickList;
  if (!erp::isWellFormedConnectionString(connection)) {
    throw RunError{"malformed connection string: " + toUtf8(connection)};
  }
  const auto result = erp::runStatement(connection, answer.sql);
  const auto captions = splitColumnSet(answer.columnSet);
  if (captions.size() == result.columns.size()) {
    pickList.headings = captions;
  } else {
    for (const auto& column : result.columns) pickList.headings.push_back(toUtf8(column));
  }
  for (const auto& row : result.rows) {
    std::vector<std::string> cells;
    for (const auto& value : row) cells.push_back(cellText(value));
    pickList.rows.push_back(std::move(cells));
  }
  return pickList;
}

template <typename Work>
int guarded(std::ostream& err, Work work) {
  try {
    return work();
  } catch (const RunError& e) {
    err << "velloc: " << e.message << "\n";
  } catch (const automation::AutomationError& e) {
    err << "velloc: " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "velloc: " << e.what() << "\n";
  }
  return 1;
}

int printReference(const GlobalOptions& options, const std::string& command, const Session& session,
                   const ReferenceAnswer& answer, std::ostream& out) {
  const PickList pickList = runPickList(session.connection, answer);
  out << (options.json ? referenceJson(command, answer, pickList)
                       : referenceText(answer, pickList));
  return 0;
}

}  // namespace

int runDemo(const GlobalOptions& options, bool replace, std::ostream& out, std::ostream& err) {
  return guarded(err, [&] {
    if (!options.connection.empty()) {
      throw RunError{"demo creates a SQLite file: name it with --db FILE, not --conn"};
    }
    const std::string file = options.database.empty() ? kDefaultDatabase : options.database;
    if (file != kDefaultDatabase && std::filesystem::exists(file) && !replace) {
      throw RunError{file + " exists; give --replace to recreate it as the demo database"};
    }
    erp::createDemoDatabase(file);
    if (options.json) {
      out << demoJson(file);
      return 0;
    }
    out << "Created the demo database " << file << ".\n\nTry next:\n";
    const std::pair<const char*, const char*> tries[] = {
        {"velloc ref cdefine3 --match 华", "pick-list of header item 3"},
        {"velloc ref cdefine1 --source archive --table person --field cPersonName",
         "people, with their departments"},
        {"velloc free-ref cfree1 --inventory 01001", "a structured free item"},
        {"velloc validate cdefine3 HD", "an alias, replaced by its value"},
        {"velloc validate cdefine4 12.5 --build", "refused by the item's type"},
        {"velloc validate-free cfree2 特大", "a free item alias"},
    };
    TextTable table({"command", "what it shows"});
    for (const auto& [command, what] : tries) table.addRow({command, what});
    out << table.render();
    return 0;
  });
}

int runReference(const GlobalOptions& options, const ReferenceRequest& request, std::ostream& out,
                 std::ostream& err) {
  return guarded(err, [&] {
    auto session = openSession(options, err);
    return printReference(options, "ref", *session, session->host.reference(request), out);
  });
}

int runFreeReference(const GlobalOptions& options, const std::string& field,
                     const std::string& inventory, bool hasInventory, const std::string& match,
                     std::ostream& out, std::ostream& err) {
  return guarded(err, [&] {
    auto session = openSession(options, err);
    const auto answer = hasInventory
                            ? session->host.structuredFreeReference(
                                  fromUtf8(inventory), fromUtf8(field), fromUtf8(match))
                            : session->host.freeReference(fromUtf8(field), fromUtf8(match));
    return printReference(options, "free-ref", *session, answer, out);
  });
}

int runValidation(const GlobalOptions& options, const ReferenceRequest& request,
                  const std::string& value, bool build, std::ostream& out, std::ostream& err) {
  return guarded(err, [&] {
    auto session = openSession(options, err);
    const auto answer = session->host.validate(request, fromUtf8(value), build);
    out << (options.json ? validationJson("validate", answer) : validationText(answer));
    return 0;
  });
}

int runFreeValidation(const GlobalOptions& options, const std::string& field,
                      const std::string& value, bool build, std::ostream& out, std::ostream& err) {
  return guarded(err, [&] {
    auto session = openSession(options, err);
    const auto answer = session->host.validateFree(fromUtf8(field), fromUtf8(value), build);
    out << (options.json ? validationJson("validate-free", answer) : validationText(answer));
    return 0;
  });
}

}  // namespace tarn::cli
