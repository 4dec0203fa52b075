#include "items/column_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"

namespace tarn::items {
namespace {

using automation::Argument;
using automation::Variant;
using testing::FakeWorld;
using testing::Rows;
using testing::utf8;

TEST(ColumnLayoutTest, AsksTheServiceInOrderWithTheKeyAndTheInfoItGave) {
  FakeWorld world;
  world.columnSettings->answer(u"GetSqlString", Variant(u"  A.cValue, A.cAlias  "))
      .answer(u"GetOrderString", Variant(u" cValue "))
      .answer(u"getColSet", Variant(world.recordSets.make(Rows{{u"cCaption"}, {{u"值"}}})));
  services::ColumnSettingsService columnSettings(world.columnSettings);

  ColumnLayout layout = GetColLayout(columnSettings, u"UserDefineRef");

  EXPECT_EQ(world.log.text(),
            "ColSet.getColInfo(&\"UserDefineRef\", 1%)\n"
            "ColSet.GetSqlString(&\"info:UserDefineRef\")\n"
            "ColSet.GetOrderString(&\"info:UserDefineRef\")\n"
            "ColSet.getColSet(&\"UserDefineRef\", 1%)\n");
  EXPECT_EQ(utf8(layout.info), "info:UserDefineRef");
  EXPECT_EQ(utf8(layout.list), "A.cValue, A.cAlias");
  EXPECT_EQ(utf8(layout.order), " Order by cValue ");
  EXPECT_EQ(utf8(joinColumnSet(layout.columnSet, u"cCaption")), "值");
}

// The key and the info travel by reference: what the service writes into them is what the
// later calls receive.
TEST(ColumnLayoutTest, LaterCallsReceiveWhatTheServiceWroteBack) {
  FakeWorld world;
  world.columnSettings
      ->answer(u"getColInfo",
               [](std::span<Argument> args) {
                 args[0].value() = Variant(u"renamed");
                 return Variant(u"info");
               })
      .answer(u"GetSqlString", [](std::span<Argument> args) {
        args[0].value() = Variant(u"info rewritten");
        return Variant(u"list");
      });
  services::ColumnSettingsService columnSettings(world.columnSettings);

  ColumnLayout layout = GetColLayout(columnSettings, u"UserDefFreeRef");

  EXPECT_EQ(world.log.text(),
            "ColSet.getColInfo(&\"UserDefFreeRef\", 1%)\n"
            "ColSet.GetSqlString(&\"info\")\n"
            "ColSet.GetOrderString(&\"info rewritten\")\n"
            "ColSet.getColSet(&\"renamed\", 1%)\n");
  EXPECT_EQ(utf8(layout.info), "info rewritten");
}

TEST(ColumnLayoutTest, AsksAfreshOnEveryCall) {
  FakeWorld world;
  services::ColumnSettingsService columnSettings(world.columnSettings);
  GetColLayout(columnSettings, u"customerRef");
  GetColLayout(columnSettings, u"customerRef");
  EXPECT_EQ(world.log.size(), 8u);
}

TEST(ColumnLayoutTest, OrderClauseFromTheOrderText) {
  struct Case {
    std::u16string orderText;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {u"", ""},
      {u"    ", ""},
      {u"a", " Order by a "},
      {u"  cValue desc, cAlias  ", " Order by cValue desc, cAlias "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.orderText));
    FakeWorld world;
    world.columnSettings->answer(u"GetOrderString", Variant(c.orderText));
    services::ColumnSettingsService columnSettings(world.columnSettings);
    EXPECT_EQ(utf8(GetOrderClause(columnSettings, u"info")), c.expected);
    EXPECT_EQ(world.log.text(), "ColSet.GetOrderString(&\"info\")\n");
  }
}

TEST(ColumnLayoutTest, ReplaceSelectList) {
  struct Case {
    std::u16string sql;
    std::u16string list;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {u"select * from customer where 1=1", u"a, b", "Select a, b from customer where 1=1"},
      {u"  select * FROM Customer  ", u"a", "Select a FROM Customer"},
      {u"select * From t", u"a", "Select a From t"},
      // The first " from" wins, even inside the select list.
      {u"select x as fromage from t", u"a", "Select a fromage from t"},
      {u"select * from t", u"", "Select  from t"},
      // Only blanks are trimmed, and a from after a line break is no " from".
      {u"  select x\nfrom t  ", u"a", "select x\nfrom t"},
      {u"\tselect * from t\t", u"a", "Select a from t\t"},
      {u"  select 1  ", u"a", "select 1"},
      {u"   ", u"a", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.sql));
    std::u16string sql = c.sql;
    ReplaceSelectList(sql, c.list);
    EXPECT_EQ(utf8(sql), c.expected);
  }
}

TEST(ColumnLayoutTest, JoinColumnSetJoinsCaptionsAndCloses) {
  struct Case {
    std::string name;
    std::vector<Variant> captions;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no rows", {}, ""},
      {"one", {u"A"}, "A"},
      {"empty in the middle", {u"A", u"", u"C"}, "A,,C"},
      {"empty first", {u"", u"B"}, "B"},
      {"empties before and after", {u"", u"", u"B", u""}, "B,"},
      {"later Null", {u"A", Variant::null(), u"C"}, "A,,C"},
      {"number", {u"A", std::int16_t{5}}, "A,5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordSetTracker recordSets;
    Rows rows{{u"cCaption"}, {}};
    for (const auto& caption : c.captions) rows.values.push_back({caption});
    services::RecordSet columnSet(Variant(recordSets.make(rows)));

    EXPECT_EQ(utf8(joinColumnSet(columnSet, u"cCaption")), c.expected);
    EXPECT_EQ(recordSets.closed(), 1);
    EXPECT_EQ(recordSets.alive(), 0);
  }
}

TEST(ColumnLayoutTest, JoinColumnSetStartsAtTheCurrentRow) {
  testing::RecordSetTracker recordSets;
  services::RecordSet columnSet(
      Variant(recordSets.make(Rows{{u"cCaption"}, {{u"A"}, {u"B"}, {u"C"}}})));
  columnSet.moveNext();
  EXPECT_EQ(utf8(joinColumnSet(columnSet, u"cCaption")), "B,C");
}

}  // namespace
}  // namespace tarn::items
