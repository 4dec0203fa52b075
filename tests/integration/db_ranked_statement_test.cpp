// The ranked wrapper of a pick-list's statement, as each backend is given it: whole texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/ranked_statement.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::toUtf8;

TEST(DbRankedStatementTest, WrapsTheStatementInEachBackendsOwnWords) {
  struct Case {
    Dialect dialect;
    RankedShape shape;
    std::string text;
  };
  const std::vector<Case> cases{
      {Dialect::kSqlite,
       {2, true, true},
       "with p(c1, c2) as (\nselect x, y from t\n)\n"
       "select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 collate ERP_CI = ? "
       "then 0 when t1 like ? escape '\\' then 1 else 2 end as r from (select c1, c2, "
       "coalesce(cast(c1 as text), '') as t1, coalesce(cast(c2 as text), '') as t2 from p) as k) "
       "as q\n"
       "where (r > ? or (r = ? and (t1 collate ERP_CI > ? or (t1 collate ERP_CI = ? and "
       "(t1 collate binary > ? or (t1 collate binary = ? and (t2 collate binary > ?)))))))\n"
       "order by r, t1 collate ERP_CI, t1 collate binary, t2 collate binary\nlimit ? offset ?"},
      {Dialect::kPostgreSql,
       {2, true, true},
       "with p(c1, c2) as (\nselect x, y from t\n)\n"
       "select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 collate erp_ci = ? "
       "then 0 when left(t1, ?) collate erp_ci = ? then 1 else 2 end as r from (select c1, c2, "
       "coalesce(cast(c1 as text), '') as t1, coalesce(cast(c2 as text), '') as t2 from p) as k) "
       "as q\n"
       "where (r > ? or (r = ? and (t1 collate erp_ci > ? or (t1 collate erp_ci = ? and "
       "(t1 collate \"C\" > ? or (t1 collate \"C\" = ? and (t2 collate \"C\" > ?)))))))\n"
       "order by r, t1 collate erp_ci, t1 collate \"C\", t2 collate \"C\"\nlimit ? offset ?"},
      {Dialect::kSqlServer,
       {2, true, true},
       "with p(c1, c2) as (\nselect x, y from t\n)\n"
       "select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 = ? then 0 when t1 "
       "like ? escape N'\\' then 1 else 2 end as r from (select c1, c2, coalesce(cast(c1 as "
       "nvarchar(max)), N'') as t1, coalesce(cast(c2 as nvarchar(max)), N'') as t2 from p) as "
       "k) as q\n"
       "where (r > ? or (r = ? and (t1 > ? or (t1 = ? and (t1 collate Latin1_General_BIN2 > ? "
       "or (t1 collate Latin1_General_BIN2 = ? and (t2 collate Latin1_General_BIN2 > ?)))))))\n"
       "order by r, t1, t1 collate Latin1_General_BIN2, t2 collate Latin1_General_BIN2\n"
       "offset ? rows fetch next ? rows only"},
      {Dialect::kSqlite,
       {1, false, false},
       "with p(c1) as (\nselect x, y from t\n)\n"
       "select c1, r, t1 from (select c1, t1, 2 as r from (select c1, coalesce(cast(c1 as "
       "text), '') as t1 from p) as k) as q\n"
       "order by r, t1 collate ERP_CI, t1 collate binary\nlimit ? offset ?"},
      {Dialect::kPostgreSql,
       {1, false, true},
       "with p(c1) as (\nselect x, y from t\n)\n"
       "select c1, r, t1 from (select c1, t1, 2 as r from (select c1, coalesce(cast(c1 as "
       "text), '') as t1 from p) as k) as q\n"
       "where (r > ? or (r = ? and (t1 collate erp_ci > ? or (t1 collate erp_ci = ? and "
       "(t1 collate \"C\" > ?)))))\n"
       "order by r, t1 collate erp_ci, t1 collate \"C\"\nlimit ? offset ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = toUtf8(rankedStatement(c.dialect, u"select x, y from t", c.shape));
    EXPECT_EQ(text, c.text);
    std::size_t markers = 0;
    for (const char ch : text) markers += ch == '?';
    EXPECT_EQ(markers, (c.shape.ranked ? rankingParameters(c.dialect) : 0) +
                           (c.shape.after ? cursorParameters(c.shape.columns) : 0) + 2);
  }
}

TEST(DbRankedStatementTest, LearnsTheColumnsWithoutRunningTheStatementWhereItCan) {
  const std::string expected = "with p as (\nselect x, y from t\n)\nselect * from p where 1 = 0";
  for (const auto dialect : {Dialect::kSqlite, Dialect::kPostgreSql}) {
    EXPECT_EQ(toUtf8(columnsStatement(dialect, u"select x, y from t").value()), expected);
  }
  EXPECT_FALSE(columnsStatement(Dialect::kSqlServer, u"select x, y from t"));
}

TEST(DbRankedStatementTest, DropsOnlyAClosingOrderThatSelectsNothing) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases{
      {u"select a from t order by a", u"select a from t"},
      {u"select a from t\n  ORDER  BY a desc, [b]  ", u"select a from t"},
      {u"select a from (select top 3 a from t order by a) x order by a",
       u"select a from (select top 3 a from t order by a) x"},
      {u"select a, row_number() over (order by a) from t",
       u"select a, row_number() over (order by a) from t"},
      {u"select a from t where b = ? order by a", u"select a from t where b = ?"},
      // Kept: the order decides which rows come, or the clause holds a value or more.
      {u"select top 5 a from t order by a", u"select top 5 a from t order by a"},
      {u"select distinct top (5) a from t order by a",
       u"select distinct top (5) a from t order by a"},
      {u"select a from t order by a offset 5 rows", u"select a from t order by a offset 5 rows"},
      {u"select a from t order by a for xml auto", u"select a from t order by a for xml auto"},
      {u"select a from t order by case when a = ? then 0 end",
       u"select a from t order by case when a = ? then 0 end"},
      {u"select a from t order by a; delete from t", u"select a from t order by a; delete from t"},
      {u"select 'order by' from t -- order by a", u"select 'order by' from t -- order by a"},
  };
  for (const auto& [given, kept] : cases) {
    EXPECT_EQ(toUtf8(withoutClosingOrder(given)), toUtf8(kept)) << toUtf8(given);
  }
}

TEST(DbRankedStatementTest, EscapesEveryWildcardOfTheMatch) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases{
      {u"", u"%"},
      {u"abc", u"abc%"},
      {u"50%_off", u"50\\%\\_off%"},
      {u"[a]\\b", u"\\[a]\\\\b%"},
      {u"华东", u"华东%"},
  };
  for (const auto& [match, pattern] : cases) {
    EXPECT_EQ(toUtf8(startsWithPattern(match)), toUtf8(pattern)) << toUtf8(match);
  }
}

}  // namespace
}  // namespace tarn::erp::db
