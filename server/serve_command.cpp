#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "server/serve.h"

namespace tarn::server {

session::Command addServeCommand(CLI::App& program, const session::SessionOptions& global) {
  struct Arguments {
    ServeOptions serve;
    std::size_t timeoutSeconds = static_cast<std::size_t>(ServeOptions{}.timeout.count());
    std::size_t sessionIdleMinutes = static_cast<std::size_t>(ServeOptions{}.sessionIdle.count());
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
                   "worker threads, each with its own component object")
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
  serve->add_option("--allowed-host", options.allowedHosts,
                    "a host name the server answers to besides its address (repeatable); "
                    "requests naming any other Host are refused");
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
  serve->footer(
      "Examples:\n  velloc serve\n  # then open the address it prints, token included\n"
      "  velloc --db erp.db --user clerk01 serve --port 9000 --token-file serve.token\n"
      "  velloc --conn-file serve.conn serve --users people.json --bind 0.0.0.0 "
      "--allowed-host erp-box.lan");
  return {serve, [&global, arguments] {
            ServeOptions chosen = arguments->serve;
            chosen.timeout = std::chrono::seconds(arguments->timeoutSeconds);
            chosen.sessionIdle = std::chrono::minutes(arguments->sessionIdleMinutes);
            return runServe(global, chosen, std::cout, std::cerr);
          }};
}

}  // namespace tarn::server
