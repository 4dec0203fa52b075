// velloc: does with TarnVelloc what an ERP screen does, against a database. The program is its
// two doors under one command line: the commands of cli/ and the server of server/.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/user_command.h"
#include "server/serve.h"
#include "session/report.h"
#include "session/text_table.h"

namespace {

using tarn::session::Context;
using tarn::session::Failure;
using tarn::session::SessionOptions;

// The options every command takes, given before or after the command's name. Both places bind
// the same variables; `given` collects them so that an empty --conn or --db can be told from
// an absent one. A connection string that holds a password is kept out of the process list by
// naming a file that holds it (--conn-file) or by the environment (VELLOC_CONN).
struct GlobalOptions {
  SessionOptions session;
  std::string connectionFile;
};

void addGlobalOptions(CLI::App& app, GlobalOptions& options, std::vector<CLI::Option*>& given) {
  given.push_back(
      app.add_option("--conn", options.session.connection,
                     "ADO-style connection string, e.g. \"Provider=SQLite;Data Source=erp.db\"; "
                     "VELLOC_CONN when neither --conn, --conn-file nor --db is given"));
  given.push_back(app.add_option("--conn-file", options.connectionFile,
                                 "a file whose first line is the connection string"));
  given.push_back(app.add_option("--db", options.session.database,
                                 "a SQLite database file (short for --conn)"));
  app.add_option("--user", options.session.user, "the user id handed to Init")
      ->capture_default_str();
  app.add_flag("--json", options.session.json, "print one JSON object, errors included");
}

// Reads the command line the way the parser will, to give two mistakes a clear message: a first
// word that names no command, and a command's own option put before the command's name. Which
// options take a value is read from the parser itself.
std::optional<std::string> commandLineProblem(const CLI::App& app, int argc, char** argv) {
  std::set<std::string> commands, global, withValue;
  const auto collect = [&withValue](const CLI::App& level, std::set<std::string>* names) {
    for (const CLI::Option* option : level.get_options()) {
      for (const auto& name : option->get_lnames()) {
        if (names) names->insert("--" + name);
        if (option->get_items_expected_max() > 0) withValue.insert("--" + name);
      }
    }
  };
  collect(app, &global);
  std::string listed;
  for (const CLI::App* command : app.get_subcommands({})) {
    commands.insert(command->get_name());
    listed += (listed.empty() ? "" : ", ") + command->get_name();
    collect(*command, nullptr);
  }
  std::optional<std::string> misplaced;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const std::string name = word.substr(0, word.find('='));
    if (name.starts_with("--") && !global.contains(name) && !misplaced) misplaced = name;
    if (withValue.contains(word)) {
      ++i;
    } else if (!word.starts_with("-")) {
      if (!commands.contains(word)) {
        return "unknown command '" + tarn::session::printable(word) + "' (commands: " + listed +
               "; see velloc --help)";
      }
      if (misplaced) {
        return tarn::session::printable(*misplaced) + " belongs to the command: put it after '" +
               word + "' (see velloc " + word + " --help)";
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

bool asksForJson(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--json") return true;
  }
  return false;
}

int usageError(const SessionOptions& options, const std::string& command,
               const std::string& message) {
  return tarn::session::reportFailure(options.json, Context{command, {}},
                                      Failure{Failure::Kind::kUsage, message, {}}, std::cout,
                                      std::cerr);
}

// The first line of `file`, without its line break; nothing when the file cannot be read.
std::optional<std::string> firstLine(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Settles the connection the global options name once the command line has been read: at most
// one of --conn, --conn-file and --db, none of them empty; without any of them, VELLOC_CONN when
// set. Returns the usage error, if any.
std::optional<std::string> settleGlobalOptions(GlobalOptions& options,
                                               const std::vector<CLI::Option*>& given) {
  int named = 0;
  for (const CLI::Option* option : given) {
    if (option->count() == 0) continue;
    if (option->as<std::string>().empty()) {
      return option->get_name() + " is empty: name a database, or leave it out";
    }
    ++named;
  }
  if (named > 1) return "give one of --conn, --conn-file and --db, not several";
  SessionOptions& session = options.session;
  if (!options.connectionFile.empty()) {
    const auto line = firstLine(options.connectionFile);
    if (!line || line->empty()) {
      return "--conn-file " + tarn::session::printable(options.connectionFile) +
             ": no connection string on its first line (cannot read the file, or it is empty)";
    }
    session.connection = *line;
  } else if (named == 0) {
    if (const char* environment = std::getenv("VELLOC_CONN"); environment && *environment) {
      session.connection = environment;
    }
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "velloc: pick-lists and value checks of user-defined and free items, through TarnVelloc.\n"
      "With neither --conn nor --db, the demo database velloc-demo.db in this folder is used\n"
      "(created on first use)."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "velloc " TARN_VERSION);
  app.footer(
      "Examples:\n"
      "  velloc demo\n"
      "  velloc ref cdefine3 --match 华\n"
      "  velloc validate cdefine3 HD --json\n"
      "  velloc --db erp.db free-ref cfree1 --inventory 01001");

  GlobalOptions options;
  std::vector<CLI::Option*> connectionOptions;
  addGlobalOptions(app, options, connectionOptions);
  auto commands = tarn::cli::addCommands(app, options.session);
  commands.push_back(tarn::server::addServeCommand(app, options.session));
  commands.push_back(tarn::cli::addUserCommand(app, options.session));
  for (const auto& command : commands) {
    addGlobalOptions(*command.app, options, connectionOptions);
    command.app->fallthrough();
  }

  options.session.json = asksForJson(argc, argv);
  if (const auto problem = commandLineProblem(app, argc, argv)) {
    return usageError(options.session, "", *problem);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help and --version
  } catch (const CLI::ParseError& e) {
    std::string command;
    for (const auto* sub : app.get_subcommands()) command = sub->get_name();
    return usageError(options.session, command, e.what());
  }
  for (const auto& command : commands) {
    if (!command.app->parsed()) continue;
    if (const auto problem = settleGlobalOptions(options, connectionOptions)) {
      return usageError(options.session, command.app->get_name(), *problem);
    }
    return command.run();
  }
  return 2;  // unreachable: the parser requires one command
}
