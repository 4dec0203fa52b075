// The ranked wrapper of a pick-list's statement, as each backend is given it: whole texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
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
      // A first window of the statement's first rows: the cap follows the statement's values.
      {Dialect::kSqlite,
       {.columns = 1, .ranked = true, .capped = true},
       "with p(c1) as (\nselect * from (\nselect x, y from t\n) limit ?\n)\n"
       "select c1, r, t1 from (select c1, t1, case when t1 collate ERP_CI = ? then 0 when t1 "
       "like ? escape '\\' then 1 else 2 end as r from (select c1, coalesce(cast(c1 as text), "
       "'') as t1 from p) as k) as q\n"
       "order by r, t1 collate ERP_CI, t1 collate binary\nlimit ? offset ?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = toUtf8(rankedStatement(c.dialect, u"select x, y from t", c.shape));
    EXPECT_EQ(text, c.text);
    std::size_t markers = 0;
    for (const char ch : text) markers += ch == '?';
    EXPECT_EQ(markers, (c.shape.ranked ? rankingParameters(c.dialect) : 0) +
                           (c.shape.after ? cursorParameters(c.shape.columns) : 0) +
                           (c.shape.capped ? 1 : 0) + 2);
  }
}

// SQLite's index walk: the text rows in parts of one rank between two bounds, the other rows
// ranked as by the plain wrapper; a cursor's parts from its rank on; parameters numbered after
// the component's.
TEST(DbRankedStatementTest, WalksSqlitesIndexInPartsWithNumberedParameters) {
  struct Case {
    RankedShape shape;
    std::u16string inner;
    std::string text;
    int parameters;
  };
  const std::vector<Case> cases{
      {{1, false, false, true, 0, 0},
       u"select x, y from t",
       "with p(c1) as not materialized (\n"
       "select x, y from t\n"
       ")\n"
       "select c1, r, t1 from (\n"
       "select * from (select c1, 2 as r, c1 as t1 from p where c1 collate ERP_CI >= '' and "
       "c1 collate ERP_CI < x'' order by c1 collate ERP_CI, c1 collate binary limit ?1 + ?2)\n"
       "union all\n"
       "select * from (select c1, r, t1 from (select c1, t1, 2 as r from (select c1, "
       "coalesce(cast(c1 as text), '') as t1 from p where c1 is null) as k) as q order by r, "
       "t1 collate ERP_CI, t1 collate binary limit ?1 + ?2)\n"
       "union all\n"
       "select * from (select c1, r, t1 from (select c1, t1, 2 as r from (select c1, "
       "coalesce(cast(c1 as text), '') as t1 from p where c1 collate ERP_CI < '') as k) as q "
       "order by r, t1 collate ERP_CI, t1 collate binary limit ?1 + ?2)\n"
       "union all\n"
       "select * from (select c1, r, t1 from (select c1, t1, 2 as r from (select c1, "
       "coalesce(cast(c1 as text), '') as t1 from p where c1 >= x'') as k) as q order by r, "
       "t1 collate ERP_CI, t1 collate binary limit ?1 + ?2)\n"
       ") as a\n"
       "order by r, t1 collate ERP_CI, t1 collate binary\n"
       "limit ?1 offset ?2",
       2},
      {{2, true, true, true, 1, 1},
       u"select x, y from t where z = ?",
       "with p(c1, c2) as not materialized (\n"
       "select x, y from t where z = ?\n"
       ")\n"
       "select c1, c2, r, t1, t2 from (\n"
       "select * from (select c1, c2, 1 as r, c1 as t1, coalesce(cast(c2 as text), '') as t2 "
       "from p where c1 collate ERP_CI >= max(?7 collate ERP_CI, ?4) and +c1 collate ERP_CI > "
       "?4 and c1 collate ERP_CI < ?5 and not cast(c1 as text) collate ERP_CI = ?2 and "
       "cast(c1 as text) like ?3 escape '\\' and typeof(c1) = 'text' and (coalesce(cast(c1 as "
       "text), '') collate ERP_CI > ?7 or (coalesce(cast(c1 as text), '') collate ERP_CI = ?7 "
       "and (coalesce(cast(c1 as text), '') collate binary > ?7 or (coalesce(cast(c1 as "
       "text), '') collate binary = ?7 and (coalesce(cast(c2 as text), '') collate binary > "
       "?8))))) order by c1 collate ERP_CI, c1 collate binary, t2 collate binary limit ?9 + "
       "?10)\n"
       "union all\n"
       "select * from (select c1, c2, 2 as r, c1 as t1, coalesce(cast(c2 as text), '') as t2 "
       "from p where c1 collate ERP_CI >= '' and c1 collate ERP_CI <= ?4 order by c1 collate "
       "ERP_CI, c1 collate binary, t2 collate binary limit ?9 + ?10)\n"
       "union all\n"
       "select * from (select c1, c2, 2 as r, c1 as t1, coalesce(cast(c2 as text), '') as t2 "
       "from p where c1 collate ERP_CI > ?4 and c1 collate ERP_CI < ?5 and not cast(c1 as "
       "text) collate ERP_CI = ?2 and not cast(c1 as text) like ?3 escape '\\' order by c1 "
       "collate ERP_CI, c1 collate binary, t2 collate binary limit ?9 + ?10)\n"
       "union all\n"
       "select * from (select c1, c2, 2 as r, c1 as t1, coalesce(cast(c2 as text), '') as t2 "
       "from p where c1 collate ERP_CI >= ?5 and c1 collate ERP_CI < x'' order by c1 collate "
       "ERP_CI, c1 collate binary, t2 collate binary limit ?9 + ?10)\n"
       "union all\n"
       "select * from (select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 "
       "collate ERP_CI = ?2 then 0 when t1 like ?3 escape '\\' then 1 else 2 end as r from "
       "(select c1, c2, coalesce(cast(c1 as text), '') as t1, coalesce(cast(c2 as text), '') "
       "as t2 from p where c1 is null) as k) as q where (r > ?6 or (r = ?6 and (t1 collate "
       "ERP_CI > ?7 or (t1 collate ERP_CI = ?7 and (t1 collate binary > ?7 or (t1 collate "
       "binary = ?7 and (t2 collate binary > ?8))))))) order by r, t1 collate ERP_CI, t1 "
       "collate binary, t2 collate binary limit ?9 + ?10)\n"
       "union all\n"
       "select * from (select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 "
       "collate ERP_CI = ?2 then 0 when t1 like ?3 escape '\\' then 1 else 2 end as r from "
       "(select c1, c2, coalesce(cast(c1 as text), '') as t1, coalesce(cast(c2 as text), '') "
       "as t2 from p where c1 collate ERP_CI < '') as k) as q where (r > ?6 or (r = ?6 and "
       "(t1 collate ERP_CI > ?7 or (t1 collate ERP_CI = ?7 and (t1 collate binary > ?7 or (t1 "
       "collate binary = ?7 and (t2 collate binary > ?8))))))) order by r, t1 collate ERP_CI, "
       "t1 collate binary, t2 collate binary limit ?9 + ?10)\n"
       "union all\n"
       "select * from (select c1, c2, r, t1, t2 from (select c1, c2, t1, t2, case when t1 "
       "collate ERP_CI = ?2 then 0 when t1 like ?3 escape '\\' then 1 else 2 end as r from "
       "(select c1, c2, coalesce(cast(c1 as text), '') as t1, coalesce(cast(c2 as text), '') "
       "as t2 from p where c1 >= x'') as k) as q where (r > ?6 or (r = ?6 and (t1 collate "
       "ERP_CI > ?7 or (t1 collate ERP_CI = ?7 and (t1 collate binary > ?7 or (t1 collate "
       "binary = ?7 and (t2 collate binary > ?8))))))) order by r, t1 collate ERP_CI, t1 "
       "collate binary, t2 collate binary limit ?9 + ?10)\n"
       ") as a\n"
       "order by r, t1 collate ERP_CI, t1 collate binary, t2 collate binary\n"
       "limit ?9 offset ?10",
       10},
  };
  for (const auto& c : cases) {
    const std::string text = toUtf8(rankedStatement(Dialect::kSqlite, c.inner, c.shape));
    EXPECT_EQ(text, c.text);
    int highest = 0;
    for (std::size_t at = text.find('?'); at != std::string::npos; at = text.find('?', at + 1)) {
      if (std::isdigit(static_cast<unsigned char>(text[at + 1]))) {
        highest = std::max(highest, std::atoi(text.c_str() + at + 1));
      }
    }
    EXPECT_EQ(highest, c.parameters);
  }
}

TEST(DbRankedStatementTest, BoundsTheValuesThatStartWithTheMatch) {
  const std::u16string top = u"\U0010FFFF";
  const std::vector<
      std::pair<std::u16string, std::optional<std::pair<std::u16string, std::u16string>>>>
      cases{
          {u"port", {{u"pors" + top, u"poru\x01"}}},
          {u"PORT", {{u"PORs" + top, u"PORu\x01"}}},  // the last letter folded
          {u"1", {{u"0" + top, u"2\x01"}}},
          {u"a[", {{u"a@" + top, u"a\\\x01"}}},  // below '[' an upper-case letter would fold above
          {u"  x", {{u"  w" + top, u"  y\x01"}}},
          {u"华", {{u"\u534D" + top, u"\u534F\x01"}}},
          {u"a\U0001F600", {{u"a\U0001F5FF" + top, u"a\U0001F601\x01"}}},
          {u"\uE000", {{u"\uD7FF" + top, u"\uE001\x01"}}},
          // Ranked by the plain wrapper.
          {u"", std::nullopt},
          {u"\tx", std::nullopt},
          {u" \x01x", std::nullopt},
          {u"x\t", std::nullopt},
          {u"a\U0010FFFF", std::nullopt},
      };
  for (const auto& [match, bounds] : cases) {
    EXPECT_EQ(prefixBounds(match), bounds) << toUtf8(match);
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
