// The least-privileged login a service such as velloc serve connects as, on a PostgreSQL ERP
// database: it reads every table and view of the ERP schema and adds archived values, and
// nothing else (no other writes, no schema changes, no roles, no databases).
#pragma once

#include <string_view>

namespace tarn::erp {

// True when `role` can name a service role: 1 to 63 characters, lower-case ASCII letters,
// digits and '_', not starting with a digit, not starting with "pg_".
bool isServiceRoleName(std::u16string_view role);

// Creates the login role `role` with `password` on the PostgreSQL database `connectionString`
// names (connected as a role that may create roles), or, when it exists, gives it the password
// and the rights anew; in one transaction. Raises AutomationError (kComponentFailure) for a
// database that is not PostgreSQL, a name isServiceRoleName refuses, an empty password or one
// with control characters, and with the database's own message when it refuses; the password
// appears in no message.
void createServiceRole(std::u16string_view connectionString, std::u16string_view role,
                       std::u16string_view password);

}  // namespace tarn::erp
