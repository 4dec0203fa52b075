#include "erp/db/connection_target.h"

#include <array>
#include <cstdlib>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::equalsIgnoringAsciiCase;
using automation::ErrorCode;
using automation::raise;
using automation::toUtf8;

constexpr std::array<std::u16string_view, 3> kSqlServerProviders = {u"SQLOLEDB", u"SQLNCLI11",
                                                                    u"MSOLEDBSQL"};

// The provider's name without a version suffix: SQLOLEDB.1 is SQLOLEDB.
std::u16string_view providerName(std::u16string_view provider) {
  const std::size_t dot = provider.find(u'.');
  if (dot == std::u16string_view::npos) return provider;
  const std::u16string_view version = provider.substr(dot + 1);
  if (version.empty() || version.find_first_not_of(u"0123456789") != std::u16string_view::npos) {
    return provider;
  }
  return provider.substr(0, dot);
}

bool isSqlServerProvider(std::u16string_view name) {
  for (const auto provider : kSqlServerProviders) {
    if (equalsIgnoringAsciiCase(name, provider)) return true;
  }
  return false;
}

bool isPasswordKey(std::u16string_view key) {
  return equalsIgnoringAsciiCase(key, u"PWD") || equalsIgnoringAsciiCase(key, u"Password");
}

// The value of the first of `keys` that the string gives a value that is not empty.
std::optional<std::u16string> firstOf(const ConnectionString& connection,
                                      std::initializer_list<std::u16string_view> keys) {
  for (const auto key : keys) {
    if (auto value = connection.get(key); value && !value->empty()) return value;
  }
  return std::nullopt;
}

std::optional<std::u16string> nonEmpty(std::optional<std::u16string> value) {
  if (value && value->empty()) return std::nullopt;
  return value;
}

// A value as ODBC reads it: in braces, with '}' doubled, when it would otherwise end early or
// lose its edge blanks.
std::u16string odbcValue(std::u16string_view value) {
  const bool plain = value.find_first_of(u";{}=") == std::u16string_view::npos &&
                     (value.empty() || (value.front() != u' ' && value.back() != u' '));
  if (plain) return std::u16string(value);
  std::u16string braced = u"{";
  for (const char16_t c : value) {
    braced += c;
    if (c == u'}') braced += u'}';
  }
  return braced + u"}";
}

// Builds the ODBC string and the same without passwords.
class OdbcString {
 public:
  void add(std::u16string_view key, std::u16string_view odbcReadyValue) {
    append(text_, key, odbcReadyValue);
    if (!isPasswordKey(key)) append(shown_, key, odbcReadyValue);
  }

  ConnectionTarget target(std::optional<Dialect> dialect) const {
    ConnectionTarget result;
    result.kind = ConnectionTarget::Kind::kOdbc;
    result.dialect = dialect;
    result.odbcConnection = text_;
    result.shownAs = shown_;
    return result;
  }

 private:
  static void append(std::u16string& out, std::u16string_view key, std::u16string_view value) {
    if (!out.empty()) out += u';';
    out += key;
    out += u'=';
    out += value;
  }

  std::u16string text_;
  std::u16string shown_;
};

bool integratedSecurity(const ConnectionString& connection) {
  const auto value = connection.get(u"Integrated Security");
  if (!value || value->empty()) return false;
  for (const auto yes : {u"SSPI", u"true", u"yes"}) {
    if (equalsIgnoringAsciiCase(*value, yes)) return true;
  }
  for (const auto no : {u"false", u"no"}) {
    if (equalsIgnoringAsciiCase(*value, no)) return false;
  }
  raise(ErrorCode::kComponentFailure,
        "Integrated Security must be SSPI, true or false, not '" + toUtf8(*value) + "'");
}

ConnectionTarget sqlServerTarget(const ConnectionString& connection, std::u16string_view driver) {
  const auto server = nonEmpty(connection.get(u"Data Source"));
  if (!server) {
    raise(ErrorCode::kComponentFailure,
          "the connection string names no Data Source (the SQL Server to connect to)");
  }
  OdbcString odbc;
  odbc.add(u"Driver", driver.starts_with(u'{') ? std::u16string(driver)
                                               : u"{" + std::u16string(driver) + u"}");
  odbc.add(u"Server", odbcValue(*server));
  if (const auto database = nonEmpty(connection.get(u"Initial Catalog"))) {
    odbc.add(u"Database", odbcValue(*database));
  }
  if (integratedSecurity(connection)) {
    odbc.add(u"Trusted_Connection", u"yes");
  } else {
    const auto user = nonEmpty(connection.get(u"User ID"));
    const auto password = connection.get(u"Password");
    if (password && !user) {
      raise(ErrorCode::kComponentFailure, "the connection string gives a Password but no User ID");
    }
    if (user) odbc.add(u"UID", odbcValue(*user));
    if (password) odbc.add(u"PWD", odbcValue(*password));
  }
  return odbc.target(Dialect::kSqlServer);
}

// The string as written, without its Provider pair.
ConnectionTarget passedThrough(const ConnectionString& connection) {
  if (!nonEmpty(firstOf(connection, {u"Driver", u"DSN", u"FileDSN"}))) {
    raise(ErrorCode::kComponentFailure,
          "the connection string names no Driver and no DSN for ODBC");
  }
  OdbcString odbc;
  for (const auto& [key, value] : connection.entries()) {
    if (equalsIgnoringAsciiCase(key, u"Provider")) continue;
    odbc.add(key, value.starts_with(u'{') ? value : odbcValue(value));
  }
  return odbc.target(std::nullopt);
}

ConnectionTarget sqliteTarget(const ConnectionString& connection) {
  const auto file = nonEmpty(firstOf(connection, {u"Data Source", u"DataSource", u"Database"}));
  if (!file) raise(ErrorCode::kComponentFailure, "the connection string names no Data Source");
  ConnectionTarget result;
  result.kind = ConnectionTarget::Kind::kSqlite;
  result.dialect = Dialect::kSqlite;
  result.sqliteFile = *file;
  return result;
}

}  // namespace

std::u16string sqlServerOdbcDriver() {
  const char* configured = std::getenv("TARN_SQLSERVER_ODBC_DRIVER");
  if (configured && *configured) return automation::fromUtf8(configured);
  return u"FreeTDS";
}

ConnectionTarget classifyConnection(const ConnectionString& connection,
                                    std::u16string_view sqlServerDriver) {
  const auto provider = connection.get(u"Provider");
  if (!provider || provider->empty()) {
    const bool odbc = nonEmpty(firstOf(connection, {u"Driver", u"DSN", u"FileDSN"})).has_value();
    const bool file = nonEmpty(connection.get(u"Data Source")).has_value();
    return odbc && !file ? passedThrough(connection) : sqliteTarget(connection);
  }
  const std::u16string_view name = providerName(*provider);
  if (equalsIgnoringAsciiCase(name, u"SQLite")) return sqliteTarget(connection);
  if (isSqlServerProvider(name)) return sqlServerTarget(connection, sqlServerDriver);
  if (equalsIgnoringAsciiCase(name, u"MSDASQL")) return passedThrough(connection);
  raise(ErrorCode::kComponentFailure,
        "unknown database provider '" + toUtf8(*provider) +
            "' (Provider= supports SQLite, SQLOLEDB, SQLNCLI11, MSOLEDBSQL and MSDASQL)");
}

}  // namespace tarn::erp::db
