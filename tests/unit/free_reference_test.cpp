#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"

namespace tarn::velloc {
namespace {

using automation::Argument;
using automation::Variant;
using testing::FakeWorld;
using testing::Fault;
using testing::ReferenceOutputs;
using testing::revisionText;
using testing::Rows;
using testing::untouchedOutputs;
using testing::utf8;

constexpr char kLayoutCalls[] =
    "ColSet.getColInfo(&\"UserDefFreeRef\", 1%)\n"
    "ColSet.GetSqlString(&\"info:UserDefFreeRef\")\n"
    "ColSet.GetOrderString(&\"info:UserDefFreeRef\")\n"
    "ColSet.getColSet(&\"UserDefFreeRef\", 1%)\n";

TEST(FreeReferenceTest, BuildsTheQueryOfTheItemsArchivedValues) {
  struct Case {
    std::u16string name;
    std::u16string match;
    std::string sql;
  };
  const std::string select =
      "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'";
  const std::vector<Case> cases = {
      {u" cFree2 ", u"ab",
       select + "自由项2' and B.cID = A.cID and (cValue like N'%ab%' or cAlias like N'%ab%')"},
      {u"cFree2", u"", select + "自由项2' and B.cID = A.cID"},
      {u"cFree2", u"    ", select + "自由项2' and B.cID = A.cID"},
      {u"cFree2", u"  ab  ",
       select + "自由项2' and B.cID = A.cID and (cValue like N'%ab%' or cAlias like N'%ab%')"},
      {u"CFREE7", u"", select + "自由项7' and B.cID = A.cID"},
      {u"cfreeA", u"", select + "自由项A' and B.cID = A.cID"},
      {u"cFree10", u"", select + "自由项10' and B.cID = A.cID"},
      // Apostrophes are doubled inside their literals; LIKE wildcards stay as typed.
      {u"cFree2", u"O'Neil",
       select + "自由项2' and B.cID = A.cID and (cValue like N'%O''Neil%' or cAlias like "
                "N'%O''Neil%')"},
      {u"cFree'x", u"", select + "自由项''x' and B.cID = A.cID"},
      {u"cFree2", u"5%_a",
       select + "自由项2' and B.cID = A.cID and (cValue like N'%5%_a%' or cAlias like N'%5%_a%')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.name) + " / " + utf8(c.match));
    FakeWorld world;
    auto component = world.makeReadyComponent();
    world.columnSettings->answer(u"getColSet", [&world](std::span<Argument>) {
      return Variant(world.recordSets.make(Rows{{u"cCaption"}, {{u"值"}, {u"别名"}}}));
    });
    ReferenceOutputs out;

    EXPECT_TRUE(
        component->GetFreeRefSQL(c.name, c.match, out.sRefSql, out.sRefColSet, out.sRefColWidth));
    EXPECT_EQ(out.text(), revisionText(c.sql + " | 值,别名 | \"\""));
    EXPECT_EQ(world.log.text(), kLayoutCalls);
    EXPECT_EQ(world.recordSets.closed(), 1);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

TEST(FreeReferenceTest, ColumnSetWithoutRowsGivesAnEmptyColumnSetText) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  ReferenceOutputs out;
  EXPECT_TRUE(
      component->GetFreeRefSQL(u"cfree1", u"", out.sRefSql, out.sRefColSet, out.sRefColWidth));
  EXPECT_EQ(out.text(), revisionText("Select A.cValue, A.cAlias from UserDefine A, UserDef B where "
                                     "B.cItem =N'自由项1' and B.cID = A.cID |  | \"\""));
}

TEST(FreeReferenceTest, RefusesNamesThatAreNotFreeItemsWithoutCallingAnything) {
  const std::vector<std::u16string> names = {u"cfree",  u"  cfree  ", u"cfre",
                                             u"xfree1", u"",          u"cdefine1"};
  for (const auto& name : names) {
    SCOPED_TRACE(utf8(name));
    FakeWorld world;
    auto component = world.makeReadyComponent();
    ReferenceOutputs out;
    EXPECT_FALSE(
        component->GetFreeRefSQL(name, u"ab", out.sRefSql, out.sRefColSet, out.sRefColWidth));
    EXPECT_EQ(out.text(), untouchedOutputs());
    EXPECT_EQ(world.log.text(), "");
  }
}

TEST(FreeReferenceTest, AFailureAtAnyLayoutCallLeavesTheOutputsAsTheCallerHadThem) {
  for (const Fault fault : {Fault::kRaise, Fault::kNull, Fault::kWrongKind}) {
    for (std::size_t call = 1; call <= 4; ++call) {
      SCOPED_TRACE("call " + std::to_string(call) + ", fault " +
                   std::to_string(static_cast<int>(fault)));
      FakeWorld world;
      auto component = world.makeReadyComponent();
      world.log.injectAt(call, fault);
      ReferenceOutputs out;

      EXPECT_FALSE(component->GetFreeRefSQL(u"cFree2", u"ab", out.sRefSql, out.sRefColSet,
                                            out.sRefColWidth));
      EXPECT_EQ(out.text(), untouchedOutputs());
      EXPECT_EQ(world.log.size(), call);
      // A record set exists only when getColSet answered; it is released, never closed.
      EXPECT_EQ(world.recordSets.releasedWithoutClose(), world.recordSets.created());
    }
  }
}

TEST(FreeReferenceTest, ANullCaptionWhileTheTextIsEmptyFailsAndReleasesTheColumnSet) {
  const std::vector<std::vector<Variant>> captionSets = {{Variant::null(), u"B"},
                                                         {u"", Variant::null()}};
  for (const auto& captions : captionSets) {
    SCOPED_TRACE(captions[0].describe());
    FakeWorld world;
    auto component = world.makeReadyComponent();
    world.columnSettings->answer(u"getColSet", [&world, &captions](std::span<Argument>) {
      Rows rows{{u"cCaption"}, {}};
      for (const auto& caption : captions) rows.values.push_back({caption});
      return Variant(world.recordSets.make(rows));
    });
    ReferenceOutputs out;

    EXPECT_FALSE(
        component->GetFreeRefSQL(u"cFree2", u"", out.sRefSql, out.sRefColSet, out.sRefColWidth));
    EXPECT_EQ(out.text(), untouchedOutputs());
    EXPECT_EQ(world.recordSets.created(), 1);
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
  }
}

TEST(FreeReferenceTest, FailsWithoutAColumnSettingsService) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  component->putref_g_ColSet(nullptr);
  ReferenceOutputs out;
  EXPECT_FALSE(
      component->GetFreeRefSQL(u"cFree2", u"ab", out.sRefSql, out.sRefColSet, out.sRefColWidth));
  EXPECT_EQ(out.text(), untouchedOutputs());
  EXPECT_EQ(world.log.text(), "");

  auto uninitialised = world.makeComponent();
  EXPECT_FALSE(uninitialised->GetFreeRefSQL(u"cFree2", u"ab", out.sRefSql, out.sRefColSet,
                                            out.sRefColWidth));
  EXPECT_EQ(out.text(), untouchedOutputs());
}

}  // namespace
}  // namespace tarn::velloc
