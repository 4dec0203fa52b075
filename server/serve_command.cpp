#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>
#include <set>
#include <string>

#include "server/serve.h"

namespace tarn::server {
namespace {

// VELLOC_ and the option's long name in capitals, its dashes as underscores: VELLOC_MAX_BODY.
std::string environmentName(const std::string& name) {
  std::string variable = "VELLOC_" + name;
  std::transform(variable.begin(), variable.end(), variable.begin(), [](unsigned char c) {
    return c == '-' ? '_' : static_cast<char>(std::toupper(c));
  });
  return variable;
}

// The options of `file` (one `name = value` a line, as on the command line without the dashes;
// `allowed-host = ["a", "b"]` for several) given to those of `serve` that neither the command
// line nor the environment set. Any line that names no option of serve's own, or a value an
// option refuses, is a usage error naming the file.
void readConfigFile(CLI::App& serve, const std::string& file, const std::set<std::string>& own) {
  std::vector<CLI::ConfigItem> items;
  try {
    items = CLI::ConfigTOML().from_file(file);
  } catch (const CLI::Error& e) {
    throw CLI::ConfigError("--config " + file + ": " + e.what());
  }
  for (const CLI::ConfigItem& item : items) {
    if (!item.parents.empty() || !own.contains(item.name)) {
      throw CLI::ConfigError("--config " + file + ": \"" + item.fullname() +
                             "\" is not an option of serve");
    }
    CLI::Option* option = serve.get_option("--" + item.name);
    if (option->count() > 0) continue;
    try {
      option->add_result(item.inputs);
      option->run_callback();
    } catch (const CLI::Error& e) {
      throw CLI::ConfigError("--config " + file + ": " + item.name + ": " + e.what());
    }
  }
}

}  // namespace

session::Command addServeCommand(CLI::App& program, const session::SessionOptions& global) {
  struct Arguments {
    ServeOptions serve;
    std::size_t timeoutSeconds = static_cast<std::size_t>(ServeOptions{}.timeout.count());
    std::size_t sessionIdleMinutes = static_cast<std::size_t>(ServeOptions{}.sessionIdle.count());
    std::string configFile;
  };
  auto arguments = std::make_shared<Arguments>();
  ServeOptions& options = arguments->serve;
  auto* serve = program.add_subcommand(
      "serve", "serve the JSON API and the pick-list page over HTTP, until stopped");
  serve->add_option("--bind", options.bind, "the address to listen on")->capture_default_str();
  serve->add_option("--port", options.port, "the port; 0 picks a free one")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  serve
      ->add_option("--threads", options.threads,
                   "requests run at once, each on a thread with its own component object")
      ->check(CLI::Range(1, 256))
      ->capture_default_str();
  serve->add_option("--max-body", options.maxBody, "the largest request body, in bytes")
      ->check(CLI::Range(256, 16 * 1024 * 1024))
      ->capture_default_str();
  serve
      ->add_option("--timeout", arguments->timeoutSeconds,
                   "seconds allowed for a whole request (head and body), for an idle connection, "
                   "and for writing an answer")
      ->check(CLI::Range(1, 600))
      ->capture_default_str();
  serve
      ->add_option("--max-connections", options.maxConnections,
                   "open connections in all; past it the longest-idle one is closed")
      ->check(CLI::Range(1, 16384))
      ->capture_default_str();
  serve
      ->add_option("--max-per-address", options.maxPerAddress,
                   "open connections from one client address")
      ->check(CLI::Range(1, 16384))
      ->capture_default_str();
  serve
      ->add_option("--allowed-host", options.allowedHosts,
                   "a host name the server answers to besides its address (repeatable, or "
                   "several separated by commas); requests naming any other Host are refused")
      ->delimiter(',');
  serve->add_option("--log", options.log,
                    "write one JSON line per request to this file ('-': standard error)");
  serve->add_option("--users", options.users,
                    "the people file (velloc user): each person signs in, and their calls run "
                    "under their own ERP user id");
  serve->add_option("--trusted-user-header", options.trustedUserHeader,
                    "a header naming the person, set by a reverse proxy that signs people in; "
                    "believed from loopback only");
  serve->add_option("--token-file", options.tokenFile,
                    "single-user: keep the token in this file (made on first use) instead of a "
                    "new one at every start");
  serve->add_option("--tls-cert", options.tlsCertificate,
                    "serve HTTPS only, with this PEM certificate (its chain after it); needs "
                    "--tls-key");
  serve->add_option("--tls-key", options.tlsKey,
                    "the certificate's private key, an unencrypted PEM file");
  serve
      ->add_option("--session-idle", arguments->sessionIdleMinutes,
                   "minutes after which an unused sign-in session ends")
      ->check(CLI::Range(1, 24 * 60))
      ->capture_default_str();
  // Every option above may come from the environment (VELLOC_PORT, VELLOC_MAX_BODY, …) or from
  // the file of --config; the command line wins over the environment, the environment over the
  // file.
  std::set<std::string> own;
  for (CLI::Option* option : serve->get_options()) {
    if (option == serve->get_help_ptr()) continue;
    const std::string name = option->get_lnames().front();
    own.insert(name);
    option->envname(environmentName(name));
  }
  std::string* configFile = &arguments->configFile;
  serve
      ->add_option("--config", *configFile,
                   "read options from this file, one a line as on the command line without the "
                   "dashes (port = 9000, users = \"people.json\"); each may also come from "
                   "VELLOC_ and its name in capitals (VELLOC_PORT, VELLOC_MAX_BODY); the command "
                   "line wins over the environment, the environment over the file")
      ->envname("VELLOC_CONFIG");
  serve->parse_complete_callback([serve, configFile, own] {
    if (!configFile->empty()) readConfigFile(*serve, *configFile, own);
  });
  serve->footer(
      "Examples:\n  velloc serve\n  # then open the address it prints, token included\n"
      "  velloc --db erp.db --user clerk01 serve --port 9000 --token-file serve.token\n"
      "  velloc --conn-file serve.conn serve --users people.json --bind 0.0.0.0 "
      "--allowed-host erp-box.lan\n"
      "  VELLOC_PORT=9000 velloc --conn-file serve.conn serve --config /etc/velloc/serve.conf");
  return {serve, [&global, arguments] {
            ServeOptions chosen = arguments->serve;
            chosen.timeout = std::chrono::seconds(arguments->timeoutSeconds);
            chosen.sessionIdle = std::chrono::minutes(arguments->sessionIdleMinutes);
            return runServe(global, chosen, std::cout, std::cerr);
          }};
}

}  // namespace tarn::server
