// The ranked order of pick-lists and its keyset paging on a real database: the same table of
// values and the same expected rows on SQLite and, under scripts/test-postgres.sh, on PostgreSQL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/database.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/statement.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp {
namespace {

using automation::fromUtf8;
using automation::toUtf8;

// Values that tie under the ERP's comparison rule (Export, export; Port, port), LIKE wildcards
// inside values, a null column, and one row the statement does not select.
constexpr char kRows[] =
    "insert into RankTest (cCode, cName) values ('Export', 'b'), ('export', 'a'), "
    "('port', 'x'), ('Port', 'y'), ('portal', 'p'), ('Porter', 'q'), ('support', 's'), "
    "('a%port', 'w'), ('port_x', 'u'), ('portx', 'v'), ('rapport', 'r'), ('zzz', 'z'), "
    "('Export', 'a'), ('portnull', null)";
// As the component writes a pick-list's statement: SQL Server dialect, its value a literal.
constexpr char16_t kStatement[] =
    u"select cCode, cName from RankTest where cCode like N'%port%' order by cName";

class RankedPickListTest : public ::testing::Test {
 protected:
  RankedPickListTest() {
    const auto textType = demo_.onPostgres() ? "erp_text" : "nvarchar(40) collate ERP_CI";
    held_.database().executeScript(fromUtf8(std::string("create table RankTest (cCode ") +
                                            textType + ", cName " + textType + ");" + kRows));
  }

  // Every row as "code/name" ("-" for a null name), in the order given.
  static std::vector<std::string> texts(const ResultSet& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows.rows) {
      out.push_back(toUtf8(row.at(0).toString()) + "/" +
                    (row.at(1).isNull() ? "-" : toUtf8(row.at(1).toString())));
    }
    return out;
  }

  RankedResult run(const std::u16string& match, RowWindow window,
                   std::optional<OrderKey> after = std::nullopt) {
    return runRankedStatement(held_, kStatement, RankedWindow{match, std::move(after), window});
  }

  const testing::TemporaryDemoDatabase demo_{"tarn-ranked"};
  HeldConnection held_{demo_.connectionString()};
};

TEST_F(RankedPickListTest, RanksExactThenPrefixThenTheRestInOneOrderOnEveryBackend) {
  const std::vector<std::string> unranked{
      "a%port/w", "Export/a", "Export/b",   "export/a", "Port/y",    "port/x",   "port_x/u",
      "portal/p", "Porter/q", "portnull/-", "portx/v",  "rapport/r", "support/s"};
  struct Case {
    std::u16string match;
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases{
      {u"", unranked},
      {u"port",
       {"Port/y", "port/x", "port_x/u", "portal/p", "Porter/q", "portnull/-", "portx/v", "a%port/w",
        "Export/a", "Export/b", "export/a", "rapport/r", "support/s"}},
      // Trailing blanks are no part of the value under the comparison rule.
      {u"PORT  ",
       {"Port/y", "port/x", "port_x/u", "portal/p", "Porter/q", "portnull/-", "portx/v", "a%port/w",
        "Export/a", "Export/b", "export/a", "rapport/r", "support/s"}},
      // Wildcards are plain characters of the match: only port_x starts with "port_".
      {u"port_",
       {"port_x/u", "a%port/w", "Export/a", "Export/b", "export/a", "Port/y", "port/x", "portal/p",
        "Porter/q", "portnull/-", "portx/v", "rapport/r", "support/s"}},
      {u"%port", unranked},
      {u"a%",
       {"a%port/w", "Export/a", "Export/b", "export/a", "Port/y", "port/x", "port_x/u", "portal/p",
        "Porter/q", "portnull/-", "portx/v", "rapport/r", "support/s"}},
      {u"EXPORT",
       {"Export/a", "Export/b", "export/a", "a%port/w", "Port/y", "port/x", "port_x/u", "portal/p",
        "Porter/q", "portnull/-", "portx/v", "rapport/r", "support/s"}},
      {u"it's", unranked},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.match));
    const auto result = run(c.match, RowWindow{0, SIZE_MAX, true});
    EXPECT_EQ(texts(result.rows.rows), c.rows);
    EXPECT_EQ(result.rows.rows.columns.size(), 2u);
    EXPECT_EQ(result.rows.totalRows, c.rows.size());
    EXPECT_FALSE(result.rows.more);
    // A window smaller than the list: on SQLite the index walk's order, not one sort's.
    const auto first = run(c.match, RowWindow{0, 5, false});
    EXPECT_EQ(texts(first.rows.rows), std::vector<std::string>(c.rows.begin(), c.rows.begin() + 5));
    EXPECT_TRUE(first.rows.more);
  }
}

TEST_F(RankedPickListTest, KeysetPagesConcatenateToTheWholeList) {
  for (const std::u16string match : {u"", u"port", u"export"}) {
    const auto whole = texts(run(match, RowWindow{}).rows.rows);
    ASSERT_EQ(whole.size(), 13u);
    for (const std::size_t size : {1, 2, 3, 5, 12, 13, 14}) {
      SCOPED_TRACE(toUtf8(match) + " by " + std::to_string(size));
      std::vector<std::string> pages;
      std::optional<OrderKey> after;
      for (int page = 0; page < 20; ++page) {
        const auto result = run(match, RowWindow{0, size, page == 0}, after);
        if (page == 0) {
          EXPECT_EQ(result.rows.totalRows, 13u);
        }
        for (const auto& row : texts(result.rows.rows)) pages.push_back(row);
        if (!result.rows.more) break;
        after = result.lastKey;
      }
      EXPECT_EQ(pages, whole);
    }
  }
}

TEST_F(RankedPickListTest, OffsetWindowsCutTheSameOrder) {
  const auto whole = texts(run(u"port", RowWindow{}).rows.rows);
  const auto window = run(u"port", RowWindow{3, 4, false});
  EXPECT_EQ(texts(window.rows.rows),
            std::vector<std::string>(whole.begin() + 3, whole.begin() + 7));
  EXPECT_TRUE(window.rows.more);
  ASSERT_TRUE(window.lastKey);
  EXPECT_EQ(*window.lastKey, (OrderKey{1, {u"portx", u"v"}}));
}

// SQLite keeps values of other types than text in any column: null and numbers in the
// first column, and texts that sort below '' under the comparison rule, come in the same one
// order as their text forms give, in whole lists and keyset pages alike, whether the column
// turns texts that look like numbers into numbers (integer) or not.
TEST_F(RankedPickListTest, FirstColumnsOfAnyTypeKeepTheOrderOfTheirTextForms) {
  if (demo_.onPostgres()) GTEST_SKIP() << "one type per column";
  auto& database = held_.database();
  // The rows as "code/name" ("-" for a null code), in the order given.
  const auto texts = [](const ResultSet& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows.rows) {
      out.push_back((row.at(0).isNull() ? "-" : toUtf8(row.at(0).toString())) + "/" +
                    toUtf8(row.at(1).toString()));
    }
    return out;
  };
  for (const char16_t* type : {u"", u"integer"}) {
    database.executeScript(
        u"drop table if exists RankMixed; create table RankMixed (cCode " + std::u16string(type) +
        u", cName text); insert into RankMixed values (null, 'n'), (1, 'a'), (10, 'b'), "
        u"(2, 'c'), (1.5, 'd'), ('1a', 'f'), ('1', 'g'), (char(9) || '1', 'h'), ('', 'i'), "
        u"(' ', 'j'), ('Port', 'k'), ('port', 'l'), ('1 ', 'm'), (null, 'o'), (char(1), 'p'), "
        u"('1' || char(1), 'q')");
    for (const std::string match : {"", "1", "1a", "port", "P", "x"}) {
      SCOPED_TRACE(toUtf8(type) + " " + match);
      const std::string text = "coalesce(cast(cCode as text), '')";
      const std::string rank = match.empty() ? "2 + 0"
                                             : "case when " + text + " collate ERP_CI = '" + match +
                                                   "' then 0 when " + text + " like '" + match +
                                                   "%' then 1 else 2 end";
      const auto expected = texts(database.queryNative(
          fromUtf8("select cCode, cName from RankMixed order by " + rank + ", " + text +
                   " collate ERP_CI, " + text + " collate binary, cName collate binary"),
          {}));
      ASSERT_EQ(expected.size(), 16u);
      for (const std::size_t size : {1, 3, 16}) {
        std::vector<std::string> pages;
        std::optional<OrderKey> after;
        for (int page = 0; page < 20; ++page) {
          const auto result =
              runRankedStatement(held_, u"select cCode, cName from RankMixed",
                                 RankedWindow{fromUtf8(match), after, RowWindow{0, size, false}});
          for (const auto& row : texts(result.rows.rows)) pages.push_back(row);
          if (!result.rows.more) break;
          after = result.lastKey;
        }
        EXPECT_EQ(pages, expected) << "by " << size;
      }
    }
  }
}

}  // namespace
}  // namespace tarn::erp
