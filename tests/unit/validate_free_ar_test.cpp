// ValidateFreeAr through the component: the name rules, the lookups by value and by alias, the
// archiving under the length rule, the value used exactly as typed, and a fault at every
// outside call it makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/kit/archived_value_fixtures.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/validation_fixtures.h"

namespace tarn::testing {
namespace {

using automation::Variant;

// The lookups and the definition query of free item 3 for the value v1.
constexpr char kValueLookup[] =
    "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'自由项3' and "
    "B.cID = A.cID and A.cValue =N'v1'";
constexpr char kAliasLookup[] =
    "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'自由项3' and "
    "B.cID = A.cID and A.cAlias =N'v1'";
constexpr char kDefinition[] =
    "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B where "
    "B.cItem =N'自由项3'";
constexpr char kRecord[] = "<Userdefine><cId>31</cId><cValue>v1</cValue></Userdefine>";

TEST(ValidateFreeArTest, RefusesNamesWithoutAnyCall) {
  for (const char16_t* name : {u"cfree", u" cfree ", u"xfree1", u"", u"cfre1"}) {
    for (const bool bBuildAr : {false, true}) {
      SCOPED_TRACE(utf8(name) + (bBuildAr ? " build" : ""));
      FakeWorld world;
      auto component = world.makeReadyComponent();
      const auto outcome = callValidateFreeAr(*component, name, u" v1 ", bBuildAr);
      EXPECT_EQ(outcome.result, bBuildAr ? -2 : -1);
      EXPECT_EQ(outcome.value, " v1 ");
      EXPECT_EQ(world.log.text(), "");
    }
  }
}

TEST(ValidateFreeArTest, FindsAnArchivedValueWhateverTheNameCase) {
  for (const char16_t* name : {u"cfree3", u"CFree3", u"  cfree3  "}) {
    SCOPED_TRACE(utf8(name));
    FakeWorld world;
    answerRowsInTurn(world, *world.archiveData, u"OpenX", {archivedValueRow(u"v1", u"")});
    auto component = world.makeReadyComponent();
    const auto outcome = callValidateFreeAr(*component, name, u"v1", true);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.value, "v1");
    EXPECT_EQ(world.log.text(), logText({openX("ArDb", kValueLookup)}));
    EXPECT_EQ(world.recordSets.closed(), 1);
  }
}

TEST(ValidateFreeArTest, LooksUpValueThenAliasThenArchivesByLength) {
  const auto v = openX("ArDb", kValueLookup);
  const auto a = openX("ArDb", kAliasLookup);
  const auto d = openX("ArDb", kDefinition);
  const auto add = addRecord(kRecord);
  const ArchivedValuePath paths[] = {
      {"found as an alias",
       true,
       {noRows(), archivedValueRow(u"红色", u"v1")},
       Variant(true),
       0,
       "红色",
       {v, a}},
      {"found nowhere", false, {}, Variant(true), -1, "v1", {v, a}},
      {"no UserDef row", true, {}, Variant(true), -2, "v1", {v, a, d}},
      {"longer than iMaxLen",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", std::int32_t{1})},
       Variant(true),
       -2,
       "v1",
       {v, a, d}},
      {"iMaxLen Null",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", Variant::null())},
       Variant(true),
       -2,
       "v1",
       {v, a, d}},
      {"non-numeric value of a number item",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"31", u"数字", std::int32_t{2})},
       Variant(true),
       1,
       "v1",
       {v, a, d, add}},
      {"Add false",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", std::int32_t{2})},
       Variant(false),
       -2,
       "v1",
       {v, a, d, add}},
  };
  for (const auto& path : paths) {
    expectArchivedValuePath(path, [](velloc::clsVelloc& component, bool bBuildAr) {
      return callValidateFreeAr(component, u"cfree3", u"v1", bBuildAr);
    });
  }
}

TEST(ValidateFreeArTest, EmptyValueIsArchivedUnderANullMaxLength) {
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", Variant::null())});
  auto component = world.makeReadyComponent();
  EXPECT_EQ(callValidateFreeAr(*component, u"cfree3", u"", true).result, 1);
  EXPECT_EQ(world.log.lines().back(),
            addRecord("<Userdefine><cId>31</cId><cValue></cValue></Userdefine>"));
}

TEST(ValidateFreeArTest, UsesTheValueAsTypedWithApostrophesInsideTheLiterals) {
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", std::int32_t{9})});
  auto component = world.makeReadyComponent();

  const auto outcome = callValidateFreeAr(*component, u" cfree'3 ", u" it's ", true);

  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.value, " it's ");
  EXPECT_EQ(world.log.text(),
            logText({openX("ArDb",
                           "select A.cValue, A.cAlias from UserDefine A, UserDef B where "
                           "B.cItem =N'自由项''3' and B.cID = A.cID and A.cValue =N' it''s '"),
                     openX("ArDb",
                           "select A.cValue, A.cAlias from UserDefine A, UserDef B where "
                           "B.cItem =N'自由项''3' and B.cID = A.cID and A.cAlias =N' it''s '"),
                     openX("ArDb",
                           "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from "
                           "UserDef B where B.cItem =N'自由项''3'"),
                     addRecord("<Userdefine><cId>31</cId><cValue> it&apos;s </cValue>"
                               "</Userdefine>")}));
}

TEST(ValidateFreeArTest, FailureReadingAnAliasKeepsTheTypedValue) {
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), archivedValueRow(Variant::null(), u" v1 ")});
  auto component = world.makeReadyComponent();
  const auto outcome = callValidateFreeAr(*component, u"cfree3", u" v1 ", true);
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.value, " v1 ");
  EXPECT_EQ(world.recordSets.closed(), 1);
  EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
}

TEST(ValidateFreeArTest, FaultAtEveryCall) {
  SweepScenario scenario;
  scenario.script = [](FakeWorld& world) {
    answerRowsInTurn(world, *world.archiveData, u"OpenX",
                     {noRows(), noRows(), itemDefinitionRow(u"31", u"文本", std::int32_t{20})});
  };
  scenario.validate = [](velloc::clsVelloc& component, bool bBuildAr) {
    return callValidateFreeAr(component, u"cfree3", u"v1", bBuildAr).result;
  };
  scenario.calls = {
      {openX("ArDb", kValueLookup), -1, 0},
      {openX("ArDb", kAliasLookup), -2, 1},
      {openX("ArDb", kDefinition), -2, 2},
      {addRecord(kRecord), -2, 3},
  };
  scenario.callsWithoutBuild = 2;
  sweepFaults(scenario);
}

}  // namespace
}  // namespace tarn::testing
