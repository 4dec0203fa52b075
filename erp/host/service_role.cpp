#include "tarnvelloc/erp/service_role.h"

#include <algorithm>
#include <string>

#include "erp/db/open_database.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"

namespace tarn::erp {
namespace {

using automation::ErrorCode;
using automation::raise;

// A SCRAM-SHA-256 verifier: "SCRAM-SHA-256$" then base64 and the separators '$' and ':' only, so
// it stands in a literal as it is.
bool isScramVerifier(std::u16string_view verifier) {
  const std::u16string_view lead = u"SCRAM-SHA-256$";
  const auto allowed = [](char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'/' || c == u'=' || c == u'$' || c == u':';
  };
  return verifier.starts_with(lead) && verifier.size() < 512 &&
         std::all_of(verifier.begin() + lead.size(), verifier.end(), allowed);
}

}  // namespace

bool isServiceRoleName(std::u16string_view role) {
  const auto allowed = [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
  };
  return !role.empty() && role.size() <= 63 && std::all_of(role.begin(), role.end(), allowed) &&
         !(role.front() >= u'0' && role.front() <= u'9') && !role.starts_with(u"pg_");
}

void createServiceRole(std::u16string_view connectionString, std::u16string_view role,
                       std::u16string_view passwordVerifier) {
  if (!isServiceRoleName(role)) {
    raise(ErrorCode::kComponentFailure,
          "a service role's name is 1 to 63 lower-case letters, digits and '_', not starting "
          "with a digit or pg_");
  }
  if (!isScramVerifier(passwordVerifier)) {
    raise(ErrorCode::kComponentFailure,
          "a service role's password is given as a SCRAM-SHA-256 verifier");
  }
  auto database = db::openDatabase(connectionString);
  if (database->dialect() != db::Dialect::kPostgreSql) {
    raise(ErrorCode::kComponentFailure, "a service role is made on a PostgreSQL database only");
  }
  const automation::Variant asked{std::u16string(role)};
  const auto exists =
      database->queryNative(u"select count(*) from pg_roles where rolname = ?", {&asked, 1});
  const bool known = exists.rows.at(0).at(0).toLong() > 0;
  // Quoted, so that a name that is also a keyword (user, order) is a name; isServiceRoleName
  // leaves no quote to escape.
  const std::u16string name = u"\"" + std::u16string(role) + u"\"";
  // The role reads the schema the ERP tables live in, adds archived values and keeps the recently
  // chosen values; it owns nothing, so it can neither alter nor drop anything, and it is given no
  // other write.
  std::u16string script = known ? u"alter role " : u"create role ";
  script += name +
            u" login nosuperuser nocreatedb nocreaterole noinherit noreplication "
            u"password '" +
            std::u16string(passwordVerifier) + u"';\n";
  script +=
      u"do $grant$ begin\n"
      u"  execute format('grant connect on database %I to " +
      name +
      u"', current_database());\n"
      u"  execute format('grant usage on schema %I to " +
      name +
      u"', current_schema());\n"
      u"  execute format('grant select on all tables in schema %I to " +
      name +
      u"', current_schema());\n"
      // Tables the owner adds later (an upgrade of the service tables) are readable too.
      u"  execute format('alter default privileges in schema %I grant select on tables to " +
      name +
      u"', current_schema());\n"
      u"end $grant$;\n"
      u"grant insert on userdefine to " +
      name +
      u";\n"
      // velloc serve records the values a person chooses, keeping the latest few.
      u"grant insert, delete on tarnrecentvalue to " +
      name + u";\n";
  db::Transaction transaction(*database);
  database->executeScript(script);
  transaction.commit();
}

}  // namespace tarn::erp
