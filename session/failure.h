// Why a request could not be given its answer, and what every answer carries besides its own
// keys. Shared by the command line and the HTTP server, which report a failure in the same words
// (report.h) and differ only in how they deliver it: an exit status, or an HTTP status.
#pragma once

#include <string>

namespace tarn::session {

// A usage error is the caller's mistake (exit status 2, HTTP 400); a database failure is one the
// outside components met during the call (exit 1, HTTP 503), also when the component answered
// with a code; any other failure is exit 1, HTTP 500.
struct Failure {
  enum class Kind { kUsage, kDatabase, kOther };
  Kind kind = Kind::kOther;
  std::string message;
  std::string operation;  // a database failure's statement or operation, when known
  // A database failure that lost the connection (DatabaseFailure::connectionLost): whoever keeps
  // the component that met it makes a new one.
  bool connectionLost = false;

  int exitStatus() const { return kind == Kind::kUsage ? 2 : 1; }
};

// What the steps of a request raise when the work cannot be done.
struct RequestError {
  Failure failure;
};

[[noreturn]] inline void fail(Failure::Kind kind, std::string message) {
  throw RequestError{Failure{kind, std::move(message), {}}};
}

[[noreturn]] inline void refuseUsage(std::string message) {
  fail(Failure::Kind::kUsage, std::move(message));
}

// What every answer carries besides its own keys.
struct Context {
  std::string command;   // "" when the request named none
  std::string database;  // the database that answered, "" when none was reached
};

}  // namespace tarn::session
