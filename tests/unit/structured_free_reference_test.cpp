#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "component/prog_ids.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/freeitem_fixtures.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"

namespace tarn::velloc {
namespace {

using automation::Argument;
using automation::Variant;
using testing::Creation;
using testing::FakeWorld;
using testing::Fault;
using testing::inventoryRow;
using testing::ReferenceOutputs;
using testing::revisionText;
using testing::untouchedOutputs;
using testing::utf8;

std::string lookupCalls(const std::string& code) {
  return revisionText(
      "create ADODB.Connection\n"
      "Conn.Open(\"Provider=Fake\", \"\", \"\", -1&)\n"
      "Conn.Execute(\"select * from Inventory where cInvCode =N'" +
      code +
      "'\", Empty, -1&)\n"
      "Conn.Close()\n");
}

constexpr char kCaptionCall[] = "Util.GetResString(\"Tarn.AA.ARCHIVE.FIELD.inv_free\")\n";

TEST(StructuredFreeReferenceTest, AnUnstructuredItemGivesExactlyWhatGetFreeRefSQLGives) {
  for (const std::u16string match : {u"", u" ab "}) {
    SCOPED_TRACE(utf8(match));
    FakeWorld world;
    auto component = world.makeReadyComponent();
    world.connection->answer(u"Execute", [&world](std::span<Argument>) {
      return Variant(inventoryRow(world.recordSets, u"bConfigFree2", false));
    });
    world.columnSettings->answer(u"getColSet", [&world](std::span<Argument>) {
      return Variant(world.recordSets.make(testing::Rows{{u"cCaption"}, {{u"值"}, {u"别名"}}}));
    });
    ReferenceOutputs direct;
    ASSERT_TRUE(component->GetFreeRefSQL(u"cFree2", match, direct.sRefSql, direct.sRefColSet,
                                         direct.sRefColWidth));
    world.log.clear();

    ReferenceOutputs out;
    EXPECT_TRUE(component->GetStruFreeRefSQL(u"P01", u"cFree2", match, out.sRefSql, out.sRefColSet,
                                             out.sRefColWidth));
    EXPECT_EQ(out.text(), direct.text());
    EXPECT_EQ(world.log.text(), lookupCalls("P01") +
                                    "ColSet.getColInfo(&\"UserDefFreeRef\", 1%)\n"
                                    "ColSet.GetSqlString(&\"info:UserDefFreeRef\")\n"
                                    "ColSet.GetOrderString(&\"info:UserDefFreeRef\")\n"
                                    "ColSet.getColSet(&\"UserDefFreeRef\", 1%)\n");
    EXPECT_EQ(world.recordSets.alive(), 0);
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), 0);
  }
}

TEST(StructuredFreeReferenceTest, AHandOverThatGetFreeRefSQLRefusesIsFalse) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  world.connection->answer(u"Execute", [&world](std::span<Argument>) {
    return Variant(inventoryRow(world.recordSets, u"bConfigfree", false));
  });
  ReferenceOutputs out;
  EXPECT_FALSE(component->GetStruFreeRefSQL(u"P01", u"cfree", u"", out.sRefSql, out.sRefColSet,
                                            out.sRefColWidth));
  EXPECT_EQ(out.text(), untouchedOutputs());
  EXPECT_EQ(world.log.text(), lookupCalls("P01"));
}

TEST(StructuredFreeReferenceTest, BuildsThePartsListQuery) {
  struct Case {
    std::string name;
    std::optional<Variant> flag;  // nothing: the lookup finds no row
    std::u16string code;
    std::u16string field;
    std::u16string match;
    std::string lookedUpCode;
    std::string outputs;
  };
  const Variant structured(true);
  const std::nullopt_t noRow = std::nullopt;
  const std::vector<Case> cases = {
      {"structured", structured, u"P01", u"cFree2", u"", "P01",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'P01' | 存货自由项2 | "
       "\"3000\""},
      {"structured, match ab", structured, u"P01", u"cFree2", u"  ab ", "P01",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'P01' and Free2 "
       "like N'%ab%' | 存货自由项2 | \"3000\""},
      {"Null flag", Variant::null(), u"P01", u"cFree2", u"", "P01",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'P01' | 存货自由项2 | "
       "\"3000\""},
      {"no inventory row", noRow, u"P09", u"cFree2", u"   ", "P09",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'P09' | 存货自由项2 | "
       "\"3000\""},
      {"code with blanks: trimmed for the lookup only", structured, u" P01 ", u"cFree2", u"", "P01",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N' P01 ' | "
       "存货自由项2 | \"3000\""},
      {"name with blanks, no inventory row", noRow, u"P09", u" cfree3 ", u"", "P09",
       "select distinct free3 as [存货自由项3] from bas_part where InvCode =N'P09' | 存货自由项3 | "
       "\"3000\""},
      {"apostrophes in code and match", noRow, u"O'B", u"cFree2", u"O'Neil_%", "O''B",
       "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N'O''B' and Free2 "
       "like N'%O''Neil_%%' | 存货自由项2 | \"3000\""},
      {"apostrophe in the suffix", noRow, u"P09", u"CFREE'9", u"", "P09",
       "select distinct FREE'9 as [存货自由项'9] from bas_part where InvCode =N'P09' | "
       "存货自由项'9 | \"3000\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    auto component = world.makeReadyComponent();
    if (c.flag) {
      world.connection->answer(u"Execute", [&world, flag = *c.flag](std::span<Argument>) {
        return Variant(inventoryRow(world.recordSets, u"bConfigFree2", flag));
      });
    }
    ReferenceOutputs out;

    EXPECT_TRUE(component->GetStruFreeRefSQL(c.code, c.field, c.match, out.sRefSql, out.sRefColSet,
                                             out.sRefColWidth));
    EXPECT_EQ(out.text(), revisionText(c.outputs));
    EXPECT_EQ(world.log.text(), lookupCalls(c.lookedUpCode) + kCaptionCall);
    EXPECT_EQ(world.recordSets.alive(), 0);
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), 0);
  }
}

TEST(StructuredFreeReferenceTest, TheCaptionIsBracketedWithItsClosingBracketsDoubled) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  world.util->answer(u"GetResString", Variant(u"Free [item]"));
  ReferenceOutputs out;
  EXPECT_TRUE(component->GetStruFreeRefSQL(u"P01", u"cFree2", u"", out.sRefSql, out.sRefColSet,
                                           out.sRefColWidth));
  EXPECT_EQ(out.text(), revisionText("select distinct Free2 as [Free [item]]2] from bas_part where "
                                     "InvCode =N'P01' | Free [item]2 | \"3000\""));
}

// A name that fails the free item rules is refused only after the inventory lookup; an
// inventory row makes the flag column of the name as passed a must.
TEST(StructuredFreeReferenceTest, NamesThatFailTheRulesAreRefusedAfterTheLookup) {
  struct Case {
    std::string name;
    bool inventoryExists;
    std::u16string field;
    bool closesTheConnection;
  };
  const std::vector<Case> cases = {
      {"no row, xfree1", false, u"xfree1", true},
      {"no row, cfree", false, u"cfree", true},
      {"no row, empty", false, u"", true},
      {"row, name with blanks names no flag column", true, u" cFree2 ", false},
      {"row, empty name", true, u"", false},
      {"row, a number without a flag column", true, u"cFree3", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    auto component = world.makeReadyComponent();
    if (c.inventoryExists) {
      world.connection->answer(u"Execute", [&world](std::span<Argument>) {
        return Variant(inventoryRow(world.recordSets, u"bConfigFree2", true));
      });
    }
    ReferenceOutputs out;

    EXPECT_FALSE(component->GetStruFreeRefSQL(u"P01", c.field, u"ab", out.sRefSql, out.sRefColSet,
                                              out.sRefColWidth));
    EXPECT_EQ(out.text(), untouchedOutputs());
    std::string expectedLog = lookupCalls("P01");
    if (!c.closesTheConnection) expectedLog.erase(expectedLog.find("Conn.Close()\n"));
    EXPECT_EQ(world.log.text(), expectedLog);
    EXPECT_EQ(world.recordSets.alive(), 0);
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), c.closesTheConnection ? 0 : 1);
  }
}

TEST(StructuredFreeReferenceTest, AFailureAtAnyCallLeavesTheOutputsAsTheCallerHadThem) {
  struct Case {
    std::string name;
    std::size_t call;  // counted without the creation line
    Fault fault;
    int recordSetsClosed;
  };
  const std::vector<Case> cases = {
      {"Open raises", 1, Fault::kRaise, 0},
      {"Execute raises", 2, Fault::kRaise, 0},
      {"Execute gives no record set", 2, Fault::kNull, 0},
      {"Execute gives text", 2, Fault::kWrongKind, 0},
      {"Close raises", 3, Fault::kRaise, 1},
      {"GetResString raises", 4, Fault::kRaise, 1},
      {"GetResString gives Null", 4, Fault::kNull, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    auto component = world.makeReadyComponent();
    world.connection->answer(u"Execute", [&world](std::span<Argument>) {
      return Variant(inventoryRow(world.recordSets, u"bConfigFree2", true));
    });
    world.log.injectAt(c.call + 1, c.fault);
    ReferenceOutputs out;

    EXPECT_FALSE(component->GetStruFreeRefSQL(u"P01", u"cFree2", u"ab", out.sRefSql, out.sRefColSet,
                                              out.sRefColWidth));
    EXPECT_EQ(out.text(), untouchedOutputs());
    EXPECT_EQ(world.log.size(), c.call + 1);
    EXPECT_EQ(world.recordSets.closed(), c.recordSetsClosed);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

TEST(StructuredFreeReferenceTest, FailsWhenTheConnectionCannotBeHadOrOpened) {
  for (const Creation creation : {Creation::kNull, Creation::kRaise}) {
    SCOPED_TRACE(static_cast<int>(creation));
    FakeWorld world;
    auto component = world.makeReadyComponent();
    world.setCreation(kConnectionProgId, creation);
    ReferenceOutputs out;
    EXPECT_FALSE(component->GetStruFreeRefSQL(u"P01", u"cFree2", u"", out.sRefSql, out.sRefColSet,
                                              out.sRefColWidth));
    EXPECT_EQ(out.text(), untouchedOutputs());
    EXPECT_EQ(world.log.text(), "create ADODB.Connection\n");
  }
}

TEST(StructuredFreeReferenceTest, FailsBeforeInit) {
  FakeWorld world;
  // Like a real connection, the fake cannot open without a connection string.
  world.connection->answer(u"Open", [](std::span<Argument> args) {
    if (args[0].value().toString().empty()) {
      automation::raise(automation::ErrorCode::kComponentFailure, "no connection string");
    }
    return Variant();
  });
  auto component = world.makeComponent();
  ReferenceOutputs out;
  EXPECT_FALSE(component->GetStruFreeRefSQL(u"P01", u"cFree2", u"", out.sRefSql, out.sRefColSet,
                                            out.sRefColWidth));
  EXPECT_EQ(out.text(), untouchedOutputs());
  EXPECT_EQ(world.log.text(),
            "create ADODB.Connection\n"
            "Conn.Open(\"\", \"\", \"\", -1&)\n");
}

}  // namespace
}  // namespace tarn::velloc
