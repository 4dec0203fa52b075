// The routes of velloc serve. The API answers POST requests with a JSON body and always with one
// JSON object, the same a `velloc --json` command answers (cli/schemas):
//
//   POST /api/ref            the user-defined reference (GetRefSQL) and one page of its rows
//   POST /api/free-ref       the free-item reference (GetFreeRefSQL), or with "inventory" the
//                            structured one (GetStruFreeRefSQL)
//   POST /api/validate       ValidateAr
//   POST /api/validate-free  ValidateFreeAr
//   POST /api/sign-in        {"name", "password"}: a session cookie (with a people file)
//   POST /api/sign-out       ends the request's session
//   GET  /api/session        who the request acts for
//   GET  /healthz, /readyz, /metrics   for the operator (health.h)
//
// Status: 200 when the component answered, whatever its answer (a refusal included); 400 for
// bad input (kind "usage"); 503 when a database failure came with the answer or kept it from
// coming (kind "database", the database's own message); 500 for anything else, with its message
// and never a stack trace; 404 for any other path or method; 421, 403 and 415 for requests the
// guard refuses (request_guard.h); 401 for an API call without a caller, 429 for a sign-in
// refused after too many failures.
// GET / and the page's script and style sheet are built into the binary.
#pragma once

#include <string>

#include "server/health.h"
#include "server/http_server.h"
#include "server/metrics.h"
#include "server/request_guard.h"
#include "server/request_log.h"
#include "server/sign_in.h"

namespace tarn::server {

class ComponentPool;

// What the routes serve with; all of it must outlive the handler.
struct Services {
  ComponentPool& pool;
  std::string database;  // names the database in every answer
  const RequestGuard& guard;
  SignIn& signIn;
  Metrics& metrics;
  Readiness readiness;
  RequestLog& log;
};

// The handler of every request: the guard's checks, then health and metrics, the sign-in, the
// API and the page. Every API call needs a caller (sign_in.h) and runs under the caller's ERP
// user id; the page, health, metrics and /api/sign-in do not. Every answer carries an
// X-Request-Id, is counted in `metrics` and written to `log`.
HttpHandler routes(const Services& services);

// An error with `status` and no command, kind "usage" (kind "failure" for 500): how the server
// and the guard refuse.
HttpResponse refusal(int status, const std::string& message);

// The headers every answer carries: the page runs only its own script and style sheet and cannot
// be framed, answers are taken as the type they declare, and no address leaks in a Referer.
HttpHeaders securityHeaders();

}  // namespace tarn::server
