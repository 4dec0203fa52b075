// velloc: does with TarnVelloc what an ERP screen does, against a database.
#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/serve.h"
#include "cli/text_table.h"
#include "tarnvelloc/automation/text.h"

namespace {

using tarn::cli::GlobalOptions;
using tarn::cli::ReferenceRequest;

// A selector is a name from `names` or a whole number in the 16-bit range (for trying the
// component's refusal of out-of-range selectors).
std::optional<std::int16_t> selector(const std::string& text,
                                     const std::map<std::string, std::int16_t>& names) {
  const auto it = names.find(text);
  if (it != names.end()) return it->second;
  std::int16_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

CLI::Validator selectorCheck(const std::map<std::string, std::int16_t>& names) {
  std::string choices;
  for (const auto& [name, value] : names) choices += (choices.empty() ? "" : ", ") + name;
  return CLI::Validator(
      [&names, choices](std::string& text) -> std::string {
        if (selector(text, names)) return {};
        return "expected " + choices + " or a whole number from -32768 to 32767, not " + text;
      },
      "NAME|NUMBER");
}

const std::map<std::string, std::int16_t> kSources{{"list", 0}, {"archive", 1}, {"voucher", 2}};
const std::map<std::string, std::int16_t> kSections{{"header", 0}, {"body", 1}};

struct ItemOptions {
  std::string field, source = "list", section = "header", table, column, card, match;

  void addTo(CLI::App& command, bool withMatch) {
    command
        .add_option("FIELD", field,
                    "the item's field name: cdefine1..cdefine16 (header), cdefine22..cdefine37 "
                    "(body)")
        ->required();
    command.add_option("--source", source, "where the values come from: list, archive, voucher")
        ->check(selectorCheck(kSources))
        ->capture_default_str();
    command.add_option("--section", section, "voucher section: header or body")
        ->check(selectorCheck(kSections))
        ->capture_default_str();
    command.add_option("--table", table, "archive table (archive source), e.g. customer");
    command.add_option("--field", column, "column compared with the text, e.g. cCusName");
    command.add_option("--card", card, "voucher card number (voucher source), e.g. CT01");
    if (withMatch) command.add_option("--match", match, "only rows containing this text");
  }

  // The table name is trimmed of blanks, as the ERP compares its keys: "customer " is the
  // customer table, restricted like it.
  ReferenceRequest request() const {
    using tarn::automation::fromUtf8;
    return ReferenceRequest{*selector(source, kSources),
                            *selector(section, kSections),
                            fromUtf8(field),
                            tarn::automation::trimBlanks(fromUtf8(table)),
                            fromUtf8(column),
                            fromUtf8(card),
                            fromUtf8(match)};
  }
};

// The options every command takes, given before or after the command's name. Both places bind
// the same variables; `given` collects them so that an empty --conn or --db can be told from
// an absent one.
void addGlobalOptions(CLI::App& app, GlobalOptions& options, std::vector<CLI::Option*>& given) {
  given.push_back(
      app.add_option("--conn", options.connection,
                     "ADO-style connection string, e.g. \"Provider=SQLite;Data Source=erp.db\""));
  given.push_back(
      app.add_option("--db", options.database, "a SQLite database file (short for --conn)"));
  app.add_option("--user", options.user, "the user id handed to Init")->capture_default_str();
  app.add_flag("--json", options.json, "print one JSON object, errors included");
}

void addLimit(CLI::App& command, std::size_t& limit) {
  command.add_option("--limit", limit, "print at most N rows of the pick-list; 0 prints all")
      ->capture_default_str();
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
  for (const CLI::App* command : app.get_subcommands({})) {
    commands.insert(command->get_name());
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
        return "unknown command '" + tarn::cli::printable(word) +
               "' (commands: init, demo, ref, free-ref, validate, validate-free, serve; see velloc "
               "--help)";
      }
      if (misplaced) {
        return tarn::cli::printable(*misplaced) + " belongs to the command: put it after '" + word +
               "' (see velloc " + word + " --help)";
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

  bool initReplace = false;
  auto* init = app.add_subcommand("init", "create an empty ERP database: schema, no data");
  init->add_flag("--replace", initReplace, "recreate an existing file");
  init->footer(
      "Examples:\n  velloc --db erp.db init\n  velloc --db /tmp/erp.db init --replace\n"
      "  velloc --conn 'Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Servername=db;"
      "Database=erp;Username=erp' init   (an empty PostgreSQL database)");

  bool replace = false;
  auto* demo = app.add_subcommand("demo", "create the demo database and show what to try");
  demo->add_flag("--replace", replace,
                 "recreate an existing file, also one holding values archived with --build");
  demo->footer(
      "Examples:\n  velloc demo\n  velloc --db /tmp/erp.db demo --replace\n"
      "  velloc --conn 'Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Servername=db;"
      "Database=erp;Username=erp' demo   (fills the demo company into a server database)");

  ItemOptions refOptions;
  std::size_t refLimit = tarn::cli::kDefaultRowLimit;
  auto* ref = app.add_subcommand("ref", "show the pick-list of a user-defined item");
  refOptions.addTo(*ref, true);
  addLimit(*ref, refLimit);
  ref->footer(
      "Examples:\n"
      "  velloc ref cdefine3 --match 华\n"
      "  velloc ref cdefine22 --section body\n"
      "  velloc ref cdefine1 --source archive --table person --field cPersonName --match 王\n"
      "  velloc ref cdefine2 --source voucher --card CT01 --field cContractName");

  std::string freeField, inventory, freeMatch;
  std::size_t freeLimit = tarn::cli::kDefaultRowLimit;
  auto* freeRef = app.add_subcommand("free-ref", "show the pick-list of a free item");
  freeRef->add_option("FIELD", freeField, "the free item's field name: cfree1..cfree10")
      ->required();
  auto* inventoryOption = freeRef->add_option(
      "--inventory", inventory, "an inventory code: its structured parts list when it keeps one");
  freeRef->add_option("--match", freeMatch, "only rows containing this text");
  addLimit(*freeRef, freeLimit);
  freeRef->footer(
      "Examples:\n  velloc free-ref cfree2 --match L\n  velloc free-ref cfree1 --inventory 01001");

  ItemOptions validateOptions;
  std::string value;
  bool build = false;
  auto* validate = app.add_subcommand("validate", "check a value typed into a user-defined item");
  validateOptions.addTo(*validate, false);
  validate->add_option("VALUE", value, "the typed value")->required();
  validate->add_flag("--build", build, "archive the value as new when it is found nowhere");
  validate->footer(
      "Examples:\n  velloc validate cdefine3 HD\n  velloc validate cdefine1 新项目 --build\n"
      "  velloc validate cdefine1 C001 --source archive --table customer --field cCusCode");

  std::string freeValidateField, freeValue;
  bool freeBuild = false;
  auto* validateFree = app.add_subcommand("validate-free", "check a value typed into a free item");
  validateFree
      ->add_option("FIELD", freeValidateField, "the free item's field name: cfree1..cfree10")
      ->required();
  validateFree->add_option("VALUE", freeValue, "the typed value")->required();
  validateFree->add_flag("--build", freeBuild, "archive the value as new when found nowhere");
  validateFree->footer(
      "Examples:\n  velloc validate-free cfree2 特大\n"
      "  velloc validate-free cfree1 紫 --build");

  tarn::cli::ServeOptions serveOptions;
  std::size_t serveTimeout = static_cast<std::size_t>(serveOptions.timeout.count());
  auto* serve = app.add_subcommand(
      "serve", "serve the JSON API and the pick-list page over HTTP, until stopped");
  serve->add_option("--bind", serveOptions.bind, "the address to listen on")->capture_default_str();
  serve->add_option("--port", serveOptions.port, "the port; 0 picks a free one")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  serve
      ->add_option("--threads", serveOptions.threads,
                   "worker threads, each with its own component object")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  serve->add_option("--max-body", serveOptions.maxBody, "the largest request body, in bytes")
      ->check(CLI::Range(256, 16 * 1024 * 1024))
      ->capture_default_str();
  serve
      ->add_option("--timeout", serveTimeout,
                   "seconds allowed for reading a request, and for writing an answer")
      ->check(CLI::Range(1, 600))
      ->capture_default_str();
  serve->footer(
      "Examples:\n  velloc serve            (then open http://127.0.0.1:8080/)\n"
      "  velloc --db erp.db --user clerk01 serve --port 9000");

  for (auto* command : {init, demo, ref, freeRef, validate, validateFree, serve}) {
    addGlobalOptions(*command, options, connectionOptions);
    command->fallthrough();
  }

  options.json = asksForJson(argc, argv);
  if (const auto problem = commandLineProblem(app, argc, argv)) {
    return tarn::cli::reportUsageError(options, "", *problem, std::cout, std::cerr);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help and --version
  } catch (const CLI::ParseError& e) {
    std::string command;
    for (const auto* sub : app.get_subcommands()) command = sub->get_name();
    return tarn::cli::reportUsageError(options, command, e.what(), std::cout, std::cerr);
  }
  const std::string command = app.get_subcommands().front()->get_name();

  for (const CLI::Option* option : connectionOptions) {
    if (option->count() > 0 && option->as<std::string>().empty()) {
      return tarn::cli::reportUsageError(
          options, command, option->get_name() + " is empty: name a database, or leave it out",
          std::cout, std::cerr);
    }
  }
  if (!options.connection.empty() && !options.database.empty()) {
    return tarn::cli::reportUsageError(options, command, "give either --conn or --db, not both",
                                       std::cout, std::cerr);
  }
  if (*serve) {
    serveOptions.timeout = std::chrono::seconds(serveTimeout);
    return tarn::cli::runServe(options, serveOptions, std::cout, std::cerr);
  }
  if (*init) return tarn::cli::runInit(options, initReplace, std::cout, std::cerr);
  if (*demo) return tarn::cli::runDemo(options, replace, std::cout, std::cerr);
  if (*ref) {
    return tarn::cli::runReference(options, refOptions.request(), refLimit, std::cout, std::cerr);
  }
  if (*freeRef) {
    return tarn::cli::runFreeReference(options, freeField, inventory, inventoryOption->count() > 0,
                                       freeMatch, freeLimit, std::cout, std::cerr);
  }
  if (*validate) {
    return tarn::cli::runValidation(options, validateOptions.request(), value, build, std::cout,
                                    std::cerr);
  }
  return tarn::cli::runFreeValidation(options, freeValidateField, freeValue, freeBuild, std::cout,
                                      std::cerr);
}
