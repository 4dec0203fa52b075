#include "tarnvelloc/erp/service_role.h"

#include <algorithm>
#include <string>

#include "erp/db/open_database.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::ErrorCode;
using automation::raise;

// A literal of standard SQL, as PostgreSQL reads it with standard_conforming_strings on, which
// the ERP schema requires: every apostrophe doubled, nothing else special.
std::u16string literal(std::u16string_view text) {
  std::u16string quoted = u"'";
  for (const char16_t c : text) {
    quoted += c;
    if (c == u'\'') quoted += u'\'';
  }
  return quoted + u"'";
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
                       std::u16string_view password) {
  if (!isServiceRoleName(role)) {
    raise(ErrorCode::kComponentFailure,
          "a service role's name is 1 to 63 lower-case letters, digits and '_', not starting "
          "with a digit or pg_");
  }
  const bool control = std::any_of(password.begin(), password.end(),
                                   [](char16_t c) { return c < u' ' || c == 0x7f; });
  if (password.empty() || control) {
    raise(ErrorCode::kComponentFailure,
          "a service role's password is not empty and holds no control characters");
  }
  auto database = db::openDatabase(connectionString);
  if (database->dialect() != db::Dialect::kPostgreSql) {
    raise(ErrorCode::kComponentFailure, "a service role is made on a PostgreSQL database only");
  }
  const std::u16string name(role);
  const automation::Variant asked(name);
  const auto exists =
      database->queryNative(u"select count(*) from pg_roles where rolname = ?", {&asked, 1});
  const bool known = exists.rows.at(0).at(0).toLong() > 0;
  // The role reads the schema the ERP tables live in and adds archived values; it owns nothing,
  // so it can neither alter nor drop anything, and it is given no other write.
  std::u16string script = known ? u"alter role " : u"create role ";
  script += name +
            u" login nosuperuser nocreatedb nocreaterole noinherit noreplication "
            u"password " +
            literal(password) + u";\n";
  script +=
      u"do $grant$ begin\n"
      u"  execute format('grant connect on database %I to " +
      name +
      u"', current_database());\n"
      u"  execute format('grant usage on schema %I to " +
      name +
      u"', current_schema());\n"
      u"  execute format('revoke create on schema %I from " +
      name +
      u"', current_schema());\n"
      u"  execute format('grant select on all tables in schema %I to " +
      name +
      u"', current_schema());\n"
      u"end $grant$;\n"
      u"grant insert on userdefine to " +
      name + u";\n";
  db::Transaction transaction(*database);
  try {
    database->executeScript(script);
  } catch (const automation::AutomationError& error) {
    std::string message = error.what();
    const std::string secret = automation::toUtf8(password);
    for (auto at = message.find(secret); at != std::string::npos; at = message.find(secret)) {
      message.replace(at, secret.size(), "***");
    }
    raise(ErrorCode::kComponentFailure, message);
  }
  transaction.commit();
}

}  // namespace tarn::erp
