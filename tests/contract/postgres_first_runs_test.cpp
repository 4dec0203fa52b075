// A PostgreSQL connection sends a text's first run directly, in one round trip, and keeps the text
// prepared on the server from its second run on: a process that runs each text once leaves no
// prepared statement behind, a connection held for many calls reuses what it prepared. Every run
// gives the same rows, whichever way it went, a whole-number parameter typed by where it stands
// in both.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/text.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp::db {
namespace {

using automation::toUtf8;
using automation::Variant;

TEST(PostgresFirstRunsTest, ATextIsPreparedAndKeptFromItsSecondRunOn) {
  const auto server = testing::testPostgresConnection();
  if (!server) GTEST_SKIP() << "TARN_TEST_POSTGRES names no PostgreSQL database";
  enum class Kind { kNative, kQuery, kWindow };
  struct Case {
    Kind kind;
    std::u16string text;
    std::string rows;               // the rows' values, joined
    std::vector<std::string> kept;  // the server's prepared statements after the run
    std::vector<Variant> parameters = {};
  };
  const std::u16string wrappedAlike =
      u"select * from (\nselect $1 as v union all select $2 union all select $3\n) as w limit "
      u"$4 offset $5";
  const std::string wrapped = toUtf8(wrappedAlike);
  const std::vector<Case> cases = {
      {Kind::kNative, u"select 1 as one", "1", {}},
      {Kind::kNative, u"select 1 as one", "1", {"select 1 as one"}},
      {Kind::kQuery, u"select N'a' as v", "a", {"select 1 as one"}},
      // The same shape with another value: its second run.
      {Kind::kQuery, u"select N'b' as v", "b", {"select 1 as one", "select $1 as v"}},
      {Kind::kQuery, u"select N'c' as v", "c", {"select 1 as one", "select $1 as v"}},
      {Kind::kWindow,
       u"select N'x' as v union all select N'y' union all select N'z'",
       "x y",
       {"select 1 as one", "select $1 as v"}},
      {Kind::kWindow,
       u"select N'x' as v union all select N'y' union all select N'z'",
       "x y",
       {"select 1 as one", "select $1 as v", wrapped}},
      {Kind::kNative, u"select 1 as one", "1", {"select 1 as one", "select $1 as v", wrapped}},
      {Kind::kNative,
       u"select left('abcdef', ?) as l",
       "abc",
       {"select 1 as one", "select $1 as v", wrapped},
       {Variant(3)}},
      {Kind::kNative,
       u"select left('abcdef', ?) as l",
       "ab",
       {"select 1 as one", "select $1 as v", wrapped, "select left('abcdef', $1) as l"},
       {Variant(2)}},
  };
  const auto database = openDatabase(*server);
  const auto kept = [&] {
    std::vector<std::string> texts;
    const auto result = database->queryNative(
        u"select statement from pg_prepared_statements where statement not like "
        u"'%pg_prepared_statements%' order by prepare_time");
    for (const auto& row : result.rows) texts.push_back(toUtf8(row.at(0).toString()));
    return texts;
  };
  const auto joined = [](const ResultSet& result) {
    std::string values;
    for (const auto& row : result.rows) {
      values += (values.empty() ? "" : " ") + toUtf8(row.at(0).toString());
    }
    return values;
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("step " + std::to_string(++number));
    switch (c.kind) {
      case Kind::kNative:
        EXPECT_EQ(joined(database->queryNative(c.text, c.parameters)), c.rows);
        break;
      case Kind::kQuery:
        EXPECT_EQ(joined(database->query(c.text)), c.rows);
        break;
      case Kind::kWindow:
        EXPECT_EQ(joined(database->queryWindow(c.text, RowWindow{0, 2}).rows), c.rows);
        break;
    }
    EXPECT_EQ(kept(), c.kept);
  }
}

}  // namespace
}  // namespace tarn::erp::db
