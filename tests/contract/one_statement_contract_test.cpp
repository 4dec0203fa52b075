// One statement per query, on every backend: a text that holds a second statement is refused
// before anything runs, whether the second statement stands after a plain `;` or hides behind
// what one database reads otherwise than another (dollar quotes, escape strings, nested comments,
// backticks). Each case ends by checking that the stacked insert into the canary table never ran.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "erp/db/database.h"
#include "tarnvelloc/automation/error.h"
#include "tests/contract/contract_kit.h"
#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

using automation::AutomationError;
using erp::db::Database;

using Backend = ContractBackend;

// What a text gives: its rows' first values, or the failure's message.
struct Case {
  std::u16string sql;
  std::string everywhere;
  std::map<Backend, std::string> except = {};
};

class OneStatementContractTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
    db_ = erp::db::openDatabase(demo_.connection());
    db_->executeScript(u"create table canary (n int)");
  }

  template <typename Run>
  std::string outcomeOf(Run run) {
    try {
      const auto result = run();
      if (result.rows.empty()) return "no rows";
      std::string values = "rows:";
      for (const auto& row : result.rows) values += " " + utf8(row.at(0).toString());
      return values;
    } catch (const AutomationError& error) {
      return error.what();
    }
  }

  template <typename Run>
  void expectOutcomes(const std::vector<Case>& cases, Run run) {
    for (const auto& c : cases) {
      SCOPED_TRACE(utf8(c.sql));
      const auto found = c.except.find(GetParam());
      EXPECT_EQ(outcomeOf([&] { return run(c.sql); }),
                found == c.except.end() ? c.everywhere : found->second);
      EXPECT_EQ(outcomeOf([&] { return db_->queryNative(u"select count(*) from canary"); }),
                "rows: 0");
    }
  }

  ContractDatabase demo_{GetParam()};
  std::unique_ptr<Database> db_;
};

std::string refused(std::string_view reason, std::u16string_view sql) {
  return "Component failure: " + std::string(reason) + ": " + utf8(sql);
}

constexpr std::string_view kStacked = "one statement at a time";
constexpr std::string_view kNested =
    "the statement holds a comment opened inside a comment, which SQL Server and PostgreSQL read "
    "as nested";
constexpr std::string_view kCarriageReturn =
    "the statement holds a carriage return inside a line comment, where PostgreSQL ends the "
    "comment";
constexpr std::string_view kDollar =
    "the statement holds a $ outside quotes, which PostgreSQL reads as a dollar quote or a "
    "parameter";
constexpr std::string_view kEscape =
    "the statement holds an escape string E'...', whose backslashes PostgreSQL reads as escapes";
constexpr std::string_view kSubscript =
    "the statement holds a [ ], which PostgreSQL reads as a subscript";
constexpr std::string_view kBacktick =
    "the statement holds a backtick, which SQLite reads as quoting a name";
constexpr std::string_view kVariable =
    "the statement holds a variable run on into a parenthesis, which SQLite reads as one name";

TEST_P(OneStatementContractTest, QueryRunsOneStatementAndNothingAfterIt) {
  const std::u16string stacked = u"select N'one'; insert into canary values (1)";
  const std::u16string afterLineComment = u"select N'one' -- note\n; insert into canary values (1)";
  const std::u16string afterBlockComment =
      u"select N'one' /* note */; insert into canary values (1)";
  const std::u16string afterBracket = u"select N'one' as [a]; insert into canary values (1)";
  const std::u16string dollar = u"select $$'$$; insert into canary values (1); --'";
  const std::u16string taggedDollar = u"select $q$'$q$; insert into canary values (1); --'";
  const std::u16string escape = u"select E'\\''; insert into canary values (1); --'";
  const std::u16string nested = u"select N'one' /* /* */ ' */; insert into canary values (1); --'";
  const std::u16string carriageReturn = u"select N'one' --\r; insert into canary values (1)";
  const std::u16string backtick = u"select N'one' as `'`; insert into canary values (1); --'";
  const std::u16string unclosedBracket = u"select N'one' as [a; insert into canary values (1)";
  expectOutcomes(
      {
          {u"select N'one'", "rows: one"},
          {u"select N'one';", "rows: one"},
          {u"select N'one' ; -- done\n; /* end */ ;", "rows: one"},
          {u"select N'a;b'", "rows: a;b"},
          {u"select N'one' as [a;b]", "rows: one"},
          {u"select N'one' as [a]];insert into canary values (1);--]", "rows: one"},
          {u"select N'one' where N'x' = N'x''; insert into canary values (1); --'", "no rows"},
          {stacked, refused(kStacked, stacked)},
          {afterLineComment, refused(kStacked, afterLineComment)},
          {afterBlockComment, refused(kStacked, afterBlockComment)},
          {afterBracket, refused(kStacked, afterBracket)},
          {dollar,
           refused(kDollar, dollar),
           {{Backend::kSqlite, refused("the statement names a variable that nothing sets", dollar)},
            {Backend::kSqliteOdbc,
             "Component failure: HY000: [SQLite]parameter marker count "
             "incorrect"}}},
          {taggedDollar,
           refused(kDollar, taggedDollar),
           {{Backend::kSqlite,
             refused("the statement names a variable that nothing sets", taggedDollar)},
            {Backend::kSqliteOdbc,
             "Component failure: HY000: [SQLite]parameter marker count "
             "incorrect"}}},
          {escape,
           refused(kEscape, escape),
           {{Backend::kSqlite, "Component failure: no such column: E"},
            {Backend::kSqliteOdbc, "Component failure: HY000: [SQLite]no such column: E (1)"}}},
          // SQLite reads neither a nested comment nor a carriage return as PostgreSQL does: there
          // the text is one statement, and runs.
          {nested, refused(kNested, nested), {{Backend::kSqlite, "rows: one"}}},
          {carriageReturn,
           refused(kCarriageReturn, carriageReturn),
           {{Backend::kSqlite, "rows: one"}}},
          {backtick,
           refused(kBacktick, backtick),
           {{Backend::kSqlite, "Component failure: unrecognized token: \"`?\""},
            {Backend::kPostgreSqlOdbc,
             "Component failure: 42601: ERROR: syntax error at or near \"`\";\nError while "
             "executing the query"}}},
          {unclosedBracket,
           refused(kSubscript, unclosedBracket),
           {{Backend::kSqlite,
             "Component failure: unrecognized token: \"[a; insert into canary values (1)\""},
            {Backend::kSqliteOdbc,
             "Component failure: HY000: [SQLite]only one SQL statement allowed"}}},
      },
      [&](std::u16string_view sql) { return db_->query(sql); });
}

TEST_P(OneStatementContractTest, QueryNativeRunsOneStatementAndNothingAfterIt) {
  const std::u16string stacked = u"select 'one'; insert into canary values (1)";
  const std::u16string dollar = u"select $$'$$; insert into canary values (1); --'";
  const std::u16string escape = u"select E'\\''; insert into canary values (1); --'";
  const std::u16string nested = u"select 1 /* /* */ ' */; insert into canary values (1); --'";
  const std::u16string variable = u"select @a(') ; insert into canary values (1); --'";
  const std::u16string backtick = u"select 1 as `'`; insert into canary values (1); --'";
  const std::u16string brackets = u"select 1 as [a]];insert into canary values (1);--]";
  const std::string sqliteMarkerCount =
      "Component failure: HY000: [SQLite]parameter marker count incorrect";
  expectOutcomes(
      {
          {u"select 'one'", "rows: one"},
          {u"select 'one'; -- done\n;", "rows: one"},
          {u"select 'a;b'", "rows: a;b"},
          {stacked, refused(kStacked, stacked)},
          {dollar,
           refused(kDollar, dollar),
           {{Backend::kSqlite, refused("the statement takes 1 parameters, 0 given", dollar)},
            {Backend::kSqliteOdbc, sqliteMarkerCount}}},
          {escape,
           refused(kEscape, escape),
           {{Backend::kSqlite, "Component failure: no such column: E"},
            {Backend::kSqliteOdbc, "Component failure: HY000: [SQLite]no such column: E (1)"}}},
          {nested, refused(kNested, nested), {{Backend::kSqlite, "rows: 1"}}},
          // SQLite reads @a(') as one name, and an insert after it; PostgreSQL reads the rest as
          // a literal, as this layer does.
          {variable,
           refused(kVariable, variable),
           {{Backend::kSqlite, refused(kStacked, variable)},
            {Backend::kPostgreSqlOdbc,
             "Component failure: 42601: ERROR: syntax error at end of input;\nError while "
             "executing the query"}}},
          {backtick,
           refused(kBacktick, backtick),
           {{Backend::kSqlite, refused(kStacked, backtick)},
            {Backend::kPostgreSqlOdbc,
             "Component failure: 42601: ERROR: syntax error at or near \"`\";\nError while "
             "executing the query"}}},
          {brackets,
           refused(kSubscript, brackets),
           {{Backend::kSqlite, "Component failure: unrecognized token: \"]\""},
            {Backend::kSqliteOdbc,
             "Component failure: HY000: [SQLite]only one SQL statement allowed"}}},
      },
      [&](std::u16string_view sql) { return db_->queryNative(sql); });
}

INSTANTIATE_TEST_SUITE_P(Backends, OneStatementContractTest, everyContractBackend(),
                         ContractBackendName());

}  // namespace
}  // namespace tarn::testing
