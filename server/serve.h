// velloc serve: the component behind a small HTTP server on one database, with a JSON API (one
// endpoint per working method) and a page that behaves like an ERP voucher screen. Each call runs
// under the ERP user id of the person it acts for (sign_in.h); each worker thread holds its own
// component objects, one per person it serves, as a screen holds one; the objects are never
// shared between threads.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "session/command.h"
#include "session/connection.h"

namespace tarn::server {

struct ServeOptions {
  std::string bind = "127.0.0.1";         // loopback unless the operator asks for more
  int port = 8080;                        // 0 picks a free port (printed on start-up)
  std::size_t threads = 8;                // worker threads, each with its own component object
  std::size_t maxBody = 64 * 1024;        // request bodies above this many bytes are refused
  std::chrono::seconds timeout{5};        // a whole request, an idle connection, writing an answer
  std::size_t maxConnections = 512;       // open connections in all
  std::size_t maxPerAddress = 256;        // open connections from one client address
  std::vector<std::string> allowedHosts;  // Host names answered besides the bound address
  std::string users;                      // the people file (sign_in.h); "" for none
  std::string trustedUserHeader;          // set by a reverse proxy that signs people in
  std::string tokenFile;                  // single-user mode: the token kept in this file
  std::chrono::minutes sessionIdle{30};   // a session unused this long ends
  std::string log;                        // the request log (request_log.h): a file, "-", or ""
  std::string tlsCertificate;             // PEM files: with both, the server speaks HTTPS only
  std::string tlsKey;
};

// Serves until the process receives SIGINT or SIGTERM, then lets the requests under way finish
// and returns 0. Prints "velloc serve: listening on http://ADDRESS:PORT/" (https:// under TLS) on
// `out` once the port is bound, with "?token=TOKEN" after it when single-user. Returns 2 for
// options that do not fit (a single-user server bound beyond loopback, a TLS certificate without
// its key or a key without its certificate), 1 when the certificate and key cannot be used, the
// database cannot be used or the port cannot be bound (after its message on `err`, or its JSON
// on `out` with --json).
int runServe(const session::SessionOptions& options, const ServeOptions& serve, std::ostream& out,
             std::ostream& err);

// Adds serve to the velloc program, with its options; it runs with the global options as they
// stand once the command line has been read.
session::Command addServeCommand(CLI::App& program, const session::SessionOptions& global);

}  // namespace tarn::server
