// The pieces of the ODBC backend that decide what a driver is given and what a message shows:
// scripts split into statements, passwords found and hidden, numbers typed as SQLite gives them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/odbc_script.h"
#include "erp/db/odbc_text.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db::odbc {
namespace {

using automation::Variant;
using testing::utf8;

TEST(OdbcScriptTest, SplitsOnlyAtSemicolonsOutsideQuotesCommentsAndBodies) {
  struct Case {
    std::u16string script;
    std::vector<std::u16string> statements;
  };
  const std::vector<Case> cases = {
      {u"create table a (x int); insert into a values (1);\n",
       {u"create table a (x int)", u"insert into a values (1)"}},
      {u"insert into a values ('x;y', N'it''s;'); select \"a;b\", [c;d] from a",
       {u"insert into a values ('x;y', N'it''s;')", u"select \"a;b\", [c;d] from a"}},
      {u"-- a comment; still one\nselect 1 /* ; */; ;  ; -- only a comment ;\n",
       {u"-- a comment; still one\nselect 1 /* ; */"}},
      {u"create function f() returns int as $$ select 1; $$ language sql; select 2",
       {u"create function f() returns int as $$ select 1; $$ language sql", u"select 2"}},
      {u"do $body$ begin perform 1; end $body$; select 3",
       {u"do $body$ begin perform 1; end $body$", u"select 3"}},
      {u"create trigger t after insert on a begin update a set x = case when x > 0 then 1 "
       u"else 0 end; delete from b; end; begin; commit;",
       {u"create trigger t after insert on a begin update a set x = case when x > 0 then 1 "
        u"else 0 end; delete from b; end",
        u"begin", u"commit"}},
      {u"select 'unclosed; text", {u"select 'unclosed; text"}},
      {u"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.script));
    const auto split = splitScript(c.script);
    EXPECT_EQ(std::vector<std::u16string>(split.begin(), split.end()), c.statements);
  }
}

TEST(OdbcTextTest, PasswordsOfTheConnectionStringNeverShow) {
  struct Case {
    std::u16string connection;
    std::string message;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {u"Driver={X};UID=sa;PWD=s3cret", "login failed for sa with s3cret; s3cret",
       "login failed for sa with ***; ***"},
      {u"DSN=erp;Password={a;b}}c}", "PWD={a;b}}c} rejected, a;b}c wrong",
       "PWD=*** rejected, *** wrong"},
      {u"dsn=erp;pwd=;uid=u", "no password", "no password"},
      {u"Driver=X;Database=y", "Database=y", "Database=y"},
      {u"Server=s;PWD=密码;PWD=second", "密码 second", "*** ***"},
      {u"PWD= spaced ;UID=u", "spaced", "***"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.connection));
    EXPECT_EQ(redact(c.message, secretsOf(c.connection)), c.shown);
  }
}

TEST(OdbcTextTest, NumbersAreTypedAsTheSqliteBackendTypesThem) {
  EXPECT_EQ(wholeNumber(2147483647), Variant(std::int32_t{2147483647}));
  EXPECT_EQ(wholeNumber(-2147483648LL), Variant(std::int32_t{-2147483647 - 1}));
  EXPECT_EQ(wholeNumber(2147483648LL), Variant(2147483648.0));
  EXPECT_EQ(wholeNumber(-2147483649LL), Variant(-2147483649.0));
  EXPECT_EQ(decimalNumber(500000.0), Variant(std::int32_t{500000}));
  EXPECT_EQ(decimalNumber(-3.0), Variant(std::int32_t{-3}));
  EXPECT_EQ(decimalNumber(125000.5), Variant(125000.5));
  EXPECT_EQ(decimalNumber(2147483648.0), Variant(2147483648.0));
}

}  // namespace
}  // namespace tarn::erp::db::odbc
