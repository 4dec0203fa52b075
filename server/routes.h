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

#include "server/http_server.h"
#include "server/request_guard.h"
#include "server/sign_in.h"

namespace tarn::server {

class ComponentPool;

// The handler of every request: the guard's checks, then the sign-in, the API and the page.
// Every API call needs a caller (sign_in.h) and runs under the caller's ERP user id; the page and
// /api/sign-in do not. `database` names the database in every answer; `pool`, `guard` and
// `signIn` must outlive the handler.
HttpHandler routes(ComponentPool& pool, const std::string& database, const RequestGuard& guard,
                   SignIn& signIn);

// An error with `status` and no command, kind "usage" (kind "failure" for 500): how the server
// and the guard refuse.
HttpResponse refusal(int status, const std::string& message);

// The headers every answer carries: the page runs only its own script and style sheet and cannot
// be framed, answers are taken as the type they declare, and no address leaks in a Referer.
HttpHeaders securityHeaders();

}  // namespace tarn::server
