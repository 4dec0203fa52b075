// The least-privileged login a service such as velloc serve connects as, on a PostgreSQL ERP
// database: it reads every table and view of the ERP schema, adds archived values and keeps the
// recently chosen values of TarnRecentValue, and nothing else (no other writes, no schema
// changes, no roles, no databases).
#pragma once

#include <string_view>

namespace tarn::erp {

// True when `role` can name a service role: 1 to 63 characters, lower-case ASCII letters,
// digits and '_', not starting with a digit, not starting with "pg_".
bool isServiceRoleName(std::u16string_view role);

// Creates the login role `role` on the PostgreSQL database `connectionString` names (connected as
// a role that may create roles), or, when it exists, gives it the password and the rights anew;
// in one transaction. The password comes as PostgreSQL keeps it, a SCRAM-SHA-256 verifier
// ("SCRAM-SHA-256$iterations:salt$StoredKey:ServerKey"), so that the password itself reaches no
// statement and no server log. Raises AutomationError (kComponentFailure) for a database that is
// not PostgreSQL, a name isServiceRoleName refuses, a text that is not a verifier, and with the
// database's own message when it refuses.
void createServiceRole(std::u16string_view connectionString, std::u16string_view role,
                       std::u16string_view passwordVerifier);

}  // namespace tarn::erp
