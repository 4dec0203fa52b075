// Where connection strings as an ERP writes them lead: the SQLite file, or the whole ODBC
// connection string (and the same without its password) with the dialect known beforehand;
// what is refused, by whole message; and that no message ever shows a password.
#include <gtest/gtest.h>

#include "erp/db/connection_target.h"
#include "erp/db/open_database.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using testing::utf16;
using testing::utf8;
using Kind = ConnectionTarget::Kind;

ConnectionTarget classify(const std::string& text, std::u16string_view driver = u"FreeTDS") {
  const auto parsed = ConnectionString::parse(utf16(text));
  if (!parsed) throw std::runtime_error("malformed: " + text);
  return classifyConnection(*parsed, driver);
}

TEST(DbConnectionTargetTest, SqliteFiles) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Provider=SQLite;Data Source=erp.db", "erp.db"},
      {"provider=sqlite;DataSource=/var/erp/erp.db", "/var/erp/erp.db"},
      {"Data Source=erp.db", "erp.db"},
      {"Database=erp.db", "erp.db"},
      {"Data Source=;Database=other.db", "other.db"},
      {"Data Source=erp.db;DSN=ignored", "erp.db"},
  };
  for (const auto& [text, file] : cases) {
    SCOPED_TRACE(text);
    const ConnectionTarget target = classify(text);
    EXPECT_EQ(target.kind, Kind::kSqlite);
    EXPECT_EQ(target.dialect, Dialect::kSqlite);
    EXPECT_EQ(utf8(target.sqliteFile), file);
  }
}

TEST(DbConnectionTargetTest, OdbcConnectionStrings) {
  struct Case {
    std::string text;
    std::u16string driver;
    std::string odbc;
    std::string shown;
    std::optional<Dialect> dialect;
  };
  const std::vector<Case> cases = {
      {"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=pw;"
       "Initial Catalog=UFDATA_001_2024;Data Source=db01",
       u"FreeTDS", "Driver={FreeTDS};Server=db01;Database=UFDATA_001_2024;UID=sa;PWD=pw",
       "Driver={FreeTDS};Server=db01;Database=UFDATA_001_2024;UID=sa", Dialect::kSqlServer},
      {"provider=sqlncli11;Data Source=db01\\ERP,1433;Integrated Security=SSPI;"
       "Initial Catalog=erp",
       u"{ODBC Driver 18 for SQL Server}",
       "Driver={ODBC Driver 18 for SQL Server};Server=db01\\ERP,1433;Database=erp;"
       "Trusted_Connection=yes",
       "Driver={ODBC Driver 18 for SQL Server};Server=db01\\ERP,1433;Database=erp;"
       "Trusted_Connection=yes",
       Dialect::kSqlServer},
      {"Provider=MSOLEDBSQL;Data Source=db01;Integrated Security=true;User ID=sa;Password=pw",
       u"FreeTDS", "Driver={FreeTDS};Server=db01;Trusted_Connection=yes",
       "Driver={FreeTDS};Server=db01;Trusted_Connection=yes", Dialect::kSqlServer},
      {"Provider=MSOLEDBSQL.19;Data Source=db01;Integrated Security=False;User ID=erp user ;"
       "Password=\"a;b}c\"",
       u"FreeTDS", "Driver={FreeTDS};Server=db01;UID=erp user;PWD={a;b}}c}",
       "Driver={FreeTDS};Server=db01;UID=erp user", Dialect::kSqlServer},
      {"Provider=SQLOLEDB;Data Source=db01;User ID=sa;Password=", u"FreeTDS",
       "Driver={FreeTDS};Server=db01;UID=sa;PWD=", "Driver={FreeTDS};Server=db01;UID=sa",
       Dialect::kSqlServer},
      {"Provider=MSDASQL.1;Driver={PostgreSQL Unicode};Server=pg;Database=erp;UID=u;PWD=p",
       u"FreeTDS", "Driver={PostgreSQL Unicode};Server=pg;Database=erp;UID=u;PWD=p",
       "Driver={PostgreSQL Unicode};Server=pg;Database=erp;UID=u", std::nullopt},
      {"DSN=erp;uid=u;pwd={x;y}", u"FreeTDS", "DSN=erp;uid=u;pwd={x;y}", "DSN=erp;uid=u",
       std::nullopt},
      {"Driver={SQLite3 ODBC Driver};Database=/tmp/erp.db;LoadExt=/usr/lib/libtarn_sqlite_erp",
       u"FreeTDS",
       "Driver={SQLite3 ODBC Driver};Database=/tmp/erp.db;LoadExt=/usr/lib/libtarn_sqlite_erp",
       "Driver={SQLite3 ODBC Driver};Database=/tmp/erp.db;LoadExt=/usr/lib/libtarn_sqlite_erp",
       std::nullopt},
      {"Provider=MSDASQL;DSN=erp;Password='it''s'", u"FreeTDS", "DSN=erp;Password=it's", "DSN=erp",
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ConnectionTarget target = classify(c.text, c.driver);
    EXPECT_EQ(target.kind, Kind::kOdbc);
    EXPECT_EQ(utf8(target.odbcConnection), c.odbc);
    EXPECT_EQ(utf8(target.shownAs), c.shown);
    EXPECT_EQ(target.dialect, c.dialect);
  }
}

TEST(DbConnectionTargetTest, StringsThatFitNoTargetNameTheKeyAtFault) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Provider=Oracle;Data Source=x",
       "unknown database provider 'Oracle' (Provider= supports SQLite, SQLOLEDB, SQLNCLI11, "
       "MSOLEDBSQL and MSDASQL)"},
      {"Provider=SQLOLEDB.x;Data Source=db01",
       "unknown database provider 'SQLOLEDB.x' (Provider= supports SQLite, SQLOLEDB, SQLNCLI11, "
       "MSOLEDBSQL and MSDASQL)"},
      {"Provider=SQLOLEDB;Initial Catalog=erp;User ID=sa",
       "the connection string names no Data Source (the SQL Server to connect to)"},
      {"Provider=SQLNCLI11;Data Source=db01;Integrated Security=maybe",
       "Integrated Security must be SSPI, true or false, not 'maybe'"},
      {"Provider=MSOLEDBSQL;Data Source=db01;Password=pw",
       "the connection string gives a Password but no User ID"},
      {"Provider=MSDASQL;Data Source=erp",
       "the connection string names no Driver and no DSN for ODBC"},
      {"Provider=MSDASQL;DSN=", "the connection string names no Driver and no DSN for ODBC"},
      {"Provider=SQLite;Database=", "the connection string names no Data Source"},
      {"User ID=sa", "the connection string names no Data Source"},
      {"", "the connection string names no Data Source"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    testing::expectFailure([&] { classify(text); }, ErrorCode::kComponentFailure,
                           "Component failure: " + message);
  }
}

// Every failure of opening, from a malformed list to an ODBC target that cannot be reached,
// speaks of the keys and never of the password.
TEST(DbConnectionTargetTest, NoMessageShowsThePassword) {
  const std::string secret = "S3cr;et";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Provider=SQLOLEDB;Data Source=db01;User ID=sa;Password=\"S3cr;et\"",
       "cannot connect to Driver={FreeTDS};Server=db01;UID=sa: 08S01: [FreeTDS][SQL "
       "Server]Unable to connect: Adaptive Server is unavailable or does not exist; 08001: "
       "[FreeTDS][SQL Server]Unable to connect to data source; 01000: [FreeTDS][SQL "
       "Server]Unknown host machine name."},
      {"DSN=erp;PWD={S3cr;et};UID=sa",
       "cannot connect to DSN=erp;UID=sa: IM002: [unixODBC][Driver Manager]Data source name not "
       "found and no default driver specified"},
      {"Provider=MSOLEDBSQL;Password='S3cr;et'",
       "the connection string names no Data Source (the SQL Server to connect to)"},
      {"Provider=MSOLEDBSQL;Data Source=db01;Password='S3cr;et'",
       "the connection string gives a Password but no User ID"},
      {"Provider=SQLOLEDB;Data Source=db01;User ID=sa;Password=S3cr;et",
       "malformed connection string: a part without '=' after Password"},
      {"Provider=SQLOLEDB;Data Source=db01;User ID=sa;Password='S3cr;et",
       "malformed connection string: the value of Password has no closing quote"},
      {"Provider=SQLOLEDB;Password={S3cr;et",
       "malformed connection string: the value of Password has no closing '}'"},
      {"Provider=SQLOLEDB;Password=\"S3cr;et\" x",
       "malformed connection string: text after the quoted value of Password"},
      {"Password=S3cr;=et", "malformed connection string: a value without a key after Password"},
      {"Provider=Jet;Data Source=db01;User ID=sa;Password=S3cr",
       "unknown database provider 'Jet' (Provider= supports SQLite, SQLOLEDB, SQLNCLI11, "
       "MSOLEDBSQL and MSDASQL)"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      openDatabase(utf16(text));
      ADD_FAILURE() << "no failure";
    } catch (const automation::AutomationError& error) {
      const std::string shown = error.what();
      EXPECT_EQ(shown, "Component failure: " + message);
      EXPECT_EQ(shown.find("S3cr"), std::string::npos);
    }
  }
}

TEST(DbConnectionTargetTest, TheSqlServerDriverComesFromTheEnvironment) {
  const char* before = std::getenv("TARN_SQLSERVER_ODBC_DRIVER");
  const std::optional<std::string> saved =
      before ? std::optional<std::string>(before) : std::nullopt;
  const std::vector<std::pair<const char*, std::string>> cases = {
      {nullptr, "FreeTDS"},
      {"", "FreeTDS"},
      {"ODBC Driver 18 for SQL Server", "ODBC Driver 18 for SQL Server"},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value ? value : "(unset)");
    if (value) {
      setenv("TARN_SQLSERVER_ODBC_DRIVER", value, 1);
    } else {
      unsetenv("TARN_SQLSERVER_ODBC_DRIVER");
    }
    EXPECT_EQ(utf8(sqlServerOdbcDriver()), expected);
  }
  if (saved) {
    setenv("TARN_SQLSERVER_ODBC_DRIVER", saved->c_str(), 1);
  } else {
    unsetenv("TARN_SQLSERVER_ODBC_DRIVER");
  }
}

}  // namespace
}  // namespace tarn::erp::db
