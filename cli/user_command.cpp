#include "cli/user_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "cli/secret_input.h"
#include "session/people.h"
#include "session/report.h"
#include "session/text_table.h"

namespace tarn::cli {
namespace {

using session::Context;
using session::Failure;
using Json = nlohmann::ordered_json;

struct UserArguments {
  std::string file, name, erpUser;
};

int answer(bool json, const std::string& action, const std::string& text, Json fields) {
  if (json) {
    Json out{{"command", "user"}, {"database", nullptr}, {"action", action}};
    for (auto& [key, value] : fields.items()) out[key] = value;
    std::cout << out.dump(2) << "\n";
  } else {
    std::cout << text;
  }
  return 0;
}

int run(const session::SessionOptions& global, const UserArguments& arguments,
        const std::string& action) {
  const Context context{"user", {}};
  try {
    auto people = session::PeopleFile::load(arguments.file);
    const std::string where = session::printable(arguments.file);
    const std::string who = session::printable(arguments.name);
    if (action == "add") {
      people.add(arguments.name, arguments.erpUser, readNewPassword());
      people.save();
      return answer(global.json, action,
                    "Added " + who + " (ERP user " + session::printable(arguments.erpUser) +
                        ") to " + where + ".\n",
                    {{"name", arguments.name}});
    }
    if (action == "remove") {
      if (!people.remove(arguments.name)) {
        session::refuseUsage("'" + who + "' is not in the people file");
      }
      people.save();
      return answer(global.json, action, "Removed " + who + " from " + where + ".\n",
                    {{"name", arguments.name}});
    }
    if (action == "token") {
      const std::string token = people.issueToken(arguments.name);
      people.save();
      if (!global.json) std::cerr << "velloc: the token is shown once; keep it secret\n";
      return answer(global.json, action, token + "\n",
                    {{"name", arguments.name}, {"token", token}});
    }
    session::TextTable table({"name", "ERP user", "tokens"});
    Json listed = Json::array();
    for (const auto& person : people.people()) {
      table.addRow({person.name, person.erpUser, std::to_string(person.tokens.size())});
      listed.push_back(
          {{"name", person.name}, {"erpUser", person.erpUser}, {"tokens", person.tokens.size()}});
    }
    return answer(global.json, action, table.render(), {{"people", listed}});
  } catch (const session::RequestError& e) {
    return session::reportFailure(global.json, context, e.failure, std::cout, std::cerr);
  } catch (const std::exception& e) {
    return session::reportFailure(
        global.json, context, Failure{Failure::Kind::kOther, e.what(), {}}, std::cout, std::cerr);
  }
}

}  // namespace

session::Command addUserCommand(CLI::App& program, const session::SessionOptions& global) {
  auto arguments = std::make_shared<UserArguments>();
  auto action = std::make_shared<std::string>();
  auto* user = program.add_subcommand("user", "manage the people file of velloc serve --users");
  user->add_option("--users", arguments->file, "the people file")->required();
  user->require_subcommand(1);
  auto* add = user->add_subcommand("add", "add a person; the password is read, never given");
  add->add_option("NAME", arguments->name, "the login name")->required();
  add->add_option("--erp-user", arguments->erpUser, "the ERP user id of the person's calls")
      ->required();
  auto* remove = user->add_subcommand("remove", "remove a person and their tokens");
  remove->add_option("NAME", arguments->name, "the login name")->required();
  user->add_subcommand("list", "list the people, their ERP user ids and token counts");
  auto* token = user->add_subcommand("token", "issue a bearer token for a program");
  token->add_option("NAME", arguments->name, "the login name")->required();
  for (auto* sub : user->get_subcommands({})) {
    sub->callback([action, sub] { *action = sub->get_name(); });
  }
  user->footer(
      "Examples:\n  velloc user --users people.json add wang --erp-user clerk01\n"
      "  velloc user --users people.json token wang\n  velloc user --users people.json list");
  return {user, [&global, arguments, action] { return run(global, *arguments, *action); }};
}

}  // namespace tarn::cli
