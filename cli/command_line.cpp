#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "session/request_checks.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::cli {
namespace {

using automation::fromUtf8;
using session::Command;
using session::NamedValue;

// A selector is a name from `names` or a whole number in the 16-bit range (for trying the
// component's refusal of out-of-range selectors).
std::optional<std::int16_t> selector(const std::string& text, std::span<const NamedValue> names) {
  if (const auto value = session::valueNamed(names, text)) return value;
  std::int16_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

CLI::Validator selectorCheck(std::span<const NamedValue> names) {
  return CLI::Validator(
      [names](std::string& text) -> std::string {
        if (selector(text, names)) return {};
        return "expected " + session::listedNames(names) +
               " or a whole number from -32768 to 32767, not " + text;
      },
      "NAME|NUMBER");
}

// A user-defined item and where its values come from, as the command line spells them.
struct ItemArguments {
  std::string field, source = "list", section = "header", table, column, card, match;

  void addTo(CLI::App& command, bool withMatch) {
    command
        .add_option("FIELD", field,
                    "the item's field name: cdefine1..cdefine16 (header), cdefine22..cdefine37 "
                    "(body), or cdefine and any one character")
        ->required();
    command.add_option("--source", source, "where the values come from: list, archive, voucher")
        ->check(selectorCheck(session::kSourceNames))
        ->capture_default_str();
    command.add_option("--section", section, "voucher section: header or body")
        ->check(selectorCheck(session::kSectionNames))
        ->capture_default_str();
    command.add_option("--table", table, "archive table (archive source), e.g. customer");
    command.add_option("--field", column, "column compared with the text, e.g. cCusName");
    command.add_option("--card", card, "voucher card number (voucher source), e.g. CT01");
    if (withMatch) command.add_option("--match", match, "only rows containing this text");
  }

  // The table name is trimmed of blanks, as the ERP compares its keys: "customer " is the
  // customer table, restricted like it.
  session::ReferenceRequest request() const {
    return session::ReferenceRequest{*selector(source, session::kSourceNames),
                                     *selector(section, session::kSectionNames),
                                     fromUtf8(field),
                                     automation::trimBlanks(fromUtf8(table)),
                                     fromUtf8(column),
                                     fromUtf8(card),
                                     fromUtf8(match)};
  }
};

// Digits only: an unsigned option would otherwise take -1 as the largest count.
CLI::Validator rowCountCheck() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) return {};
        return "expected a whole number of rows, 0 for all, not " + text;
      },
      "N");
}

// --limit N, --count and --after CURSOR: how many rows are read and printed, whether all are
// counted, and the cursor a previous answer ended with.
void addWindow(CLI::App& command, std::size_t& limit, bool& count,
               std::optional<std::string>& after) {
  command.add_option("--limit", limit, "print at most N rows of the pick-list; 0 prints all")
      ->check(rowCountCheck())
      ->capture_default_str();
  command.add_flag("--count", count,
                   "count every row of the pick-list, also those past --limit (reads them all)");
  command.add_option("--after", after,
                     "continue after the rows a previous answer printed: its Next cursor (its "
                     "\"next\" in --json), with the same item and --match");
}

Command addInit(CLI::App& program, const SessionOptions& global) {
  auto options = std::make_shared<InitOptions>();
  auto* init = program.add_subcommand("init", "create an empty ERP database: schema, no data");
  init->add_flag("--replace", options->replace, "recreate an existing file");
  init->add_flag("--service-tables", options->serviceTables,
                 "add only the missing service tables to an existing ERP database")
      ->excludes("--replace");
  init->add_option("--service-role", options->serviceRole,
                   "PostgreSQL: also make this login role for velloc serve, which reads the ERP "
                   "tables and adds archived values only (its password is read, never given)");
  init->footer(
      "Examples:\n  velloc --db erp.db init\n  velloc --db /tmp/erp.db init --replace\n"
      "  # adopt an existing ERP database: add only the missing service tables\n"
      "  velloc --db company.db init --service-tables\n"
      "  # an empty PostgreSQL database, and the login role velloc serve connects as:\n"
      "  velloc --conn 'Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Servername=db;"
      "Database=erp;Username=erp' init --service-role velloc_serve");
  return {init, [&global, options] { return runInit(global, *options, std::cout, std::cerr); }};
}

Command addDemo(CLI::App& program, const SessionOptions& global) {
  auto options = std::make_shared<DemoOptions>();
  auto* demo = program.add_subcommand("demo", "create the demo database and show what to try");
  demo->add_flag("--replace", options->replace,
                 "recreate an existing file, also one holding values archived with --build");
  demo->footer(
      "Examples:\n  velloc demo\n  velloc --db /tmp/erp.db demo --replace\n"
      "  # fills the demo company into a server database:\n"
      "  velloc --conn 'Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Servername=db;"
      "Database=erp;Username=erp' demo");
  return {demo, [&global, options] { return runDemo(global, *options, std::cout, std::cerr); }};
}

Command addRef(CLI::App& program, const SessionOptions& global) {
  auto item = std::make_shared<ItemArguments>();
  auto window = std::make_shared<RefOptions>();
  auto* ref = program.add_subcommand("ref", "show the pick-list of a user-defined item");
  item->addTo(*ref, true);
  addWindow(*ref, window->limit, window->count, window->after);
  ref->footer(
      "Examples:\n"
      "  velloc ref cdefine3 --match 华\n"
      "  velloc ref cdefine22 --section body\n"
      "  velloc ref cdefine1 --source archive --table person --field cPersonName --match 王\n"
      "  velloc ref cdefine2 --source voucher --card CT01 --field cContractName\n"
      "  # the rows after those printed: the cursor the answer ends with\n"
      "  velloc ref cdefine3 --match 华 --limit 20 --after CURSOR\n"
      "Rows come with exact matches first, then values that start with --match, then the rest,\n"
      "each group in the order of its values.");
  return {ref, [&global, item, window] {
            return runReference(
                global, RefOptions{item->request(), window->limit, window->count, window->after},
                std::cout, std::cerr);
          }};
}

Command addFreeRef(CLI::App& program, const SessionOptions& global) {
  struct Arguments {
    std::string field, inventory, match;
    std::size_t limit = kDefaultRowLimit;
    bool count = false;
    std::optional<std::string> after;
  };
  auto arguments = std::make_shared<Arguments>();
  auto* freeRef = program.add_subcommand("free-ref", "show the pick-list of a free item");
  freeRef
      ->add_option("FIELD", arguments->field,
                   "the free item's field name: cfree and its suffix, e.g. cfree1")
      ->required();
  auto* inventory =
      freeRef->add_option("--inventory", arguments->inventory,
                          "an inventory code: its structured parts list when it keeps one");
  freeRef->add_option("--match", arguments->match, "only rows containing this text");
  addWindow(*freeRef, arguments->limit, arguments->count, arguments->after);
  freeRef->footer(
      "Examples:\n  velloc free-ref cfree2 --match L\n  velloc free-ref cfree1 --inventory 01001\n"
      "  velloc free-ref cfree2 --limit 10 --after CURSOR\n"
      "Rows come with exact matches first, then values that start with --match, then the rest,\n"
      "each group in the order of its values.");
  return {freeRef, [&global, arguments, inventory] {
            FreeRefOptions options{fromUtf8(arguments->field), std::nullopt,
                                   fromUtf8(arguments->match), arguments->limit,
                                   arguments->count,           arguments->after};
            if (inventory->count() > 0) options.inventory = fromUtf8(arguments->inventory);
            return runFreeReference(global, options, std::cout, std::cerr);
          }};
}

Command addValidate(CLI::App& program, const SessionOptions& global) {
  struct Arguments {
    ItemArguments item;
    std::string value;
    bool build = false;
  };
  auto arguments = std::make_shared<Arguments>();
  auto* validate =
      program.add_subcommand("validate", "check a value typed into a user-defined item");
  arguments->item.addTo(*validate, false);
  validate->add_option("VALUE", arguments->value, "the typed value")->required();
  validate->add_flag("--build", arguments->build,
                     "archive the value as new when it is found nowhere");
  validate->footer(
      "Examples:\n  velloc validate cdefine3 HD\n  velloc validate cdefine1 新项目 --build\n"
      "  velloc validate cdefine1 C001 --source archive --table customer --field cCusCode");
  return {validate, [&global, arguments] {
            return runValidation(global,
                                 ValidateOptions{arguments->item.request(),
                                                 fromUtf8(arguments->value), arguments->build},
                                 std::cout, std::cerr);
          }};
}

Command addValidateFree(CLI::App& program, const SessionOptions& global) {
  struct Arguments {
    std::string field, value;
    bool build = false;
  };
  auto arguments = std::make_shared<Arguments>();
  auto* validateFree =
      program.add_subcommand("validate-free", "check a value typed into a free item");
  validateFree
      ->add_option("FIELD", arguments->field,
                   "the free item's field name: cfree and its suffix, e.g. cfree1")
      ->required();
  validateFree->add_option("VALUE", arguments->value, "the typed value")->required();
  validateFree->add_flag("--build", arguments->build,
                         "archive the value as new when found nowhere");
  validateFree->footer(
      "Examples:\n  velloc validate-free cfree2 特大\n"
      "  velloc validate-free cfree1 紫 --build");
  return {validateFree, [&global, arguments] {
            return runFreeValidation(
                global,
                ValidateFreeOptions{fromUtf8(arguments->field), fromUtf8(arguments->value),
                                    arguments->build},
                std::cout, std::cerr);
          }};
}

Command addUpgrade(CLI::App& program, const SessionOptions& global) {
  auto* upgrade = program.add_subcommand(
      "upgrade", "bring an ERP database's service tables to this program's version");
  upgrade->footer(
      "Examples:\n  velloc --db erp.db upgrade\n"
      "  velloc --conn 'Driver=/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so;Servername=db;"
      "Database=erp;Username=erp' upgrade");
  return {upgrade, [&global] { return runUpgrade(global, std::cout, std::cerr); }};
}

}  // namespace

std::vector<Command> addCommands(CLI::App& program, const SessionOptions& global) {
  return {addInit(program, global),     addDemo(program, global),
          addRef(program, global),      addFreeRef(program, global),
          addValidate(program, global), addValidateFree(program, global),
          addUpgrade(program, global)};
}

}  // namespace tarn::cli
