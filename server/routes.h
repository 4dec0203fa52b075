// The routes of velloc serve. The API answers POST requests with a JSON body and always with one
// JSON object, the same a `velloc --json` command answers (cli/schemas):
//
//   POST /api/ref            the user-defined reference (GetRefSQL) and one page of its rows
//   POST /api/free-ref       the free-item reference (GetFreeRefSQL), or with "inventory" the
//                            structured one (GetStruFreeRefSQL)
//   POST /api/validate       ValidateAr
//   POST /api/validate-free  ValidateFreeAr
//
// Status: 200 when the component answered, whatever its answer (a refusal included); 400 for
// bad input (kind "usage"); 503 when a database failure came with the answer or kept it from
// coming (kind "database", the database's own message); 500 for anything else, with its message
// and never a stack trace; 404 for any other path or method.
// GET / and the page's script and style sheet are built into the binary.
#pragma once

#include <cstddef>
#include <string>

namespace httplib {
class Server;
}

namespace tarn::server {

class ComponentPool;

// `database` names the database in every answer; `maxBody` is the largest body accepted.
void addRoutes(httplib::Server& server, ComponentPool& pool, const std::string& database,
               std::size_t maxBody);

}  // namespace tarn::server
