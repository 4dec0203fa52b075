// ValidateAr through the component: every result code and the path to it, the whole SQL of
// every query, the write-back of the value, and a fault at every outside call it makes.
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

// The UserDefine lookups and the definition query of header item 3 (cdefine3) for the value v1.
constexpr char kValueLookup[] =
    "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据头' and "
    "B.cItem =N'自定义项3' and B.cID = A.cID and A.cValue =N'v1'";
constexpr char kAliasLookup[] =
    "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据头' and "
    "B.cItem =N'自定义项3' and B.cID = A.cID and A.cAlias =N'v1'";
constexpr char kDefinition[] =
    "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B where "
    "B.cClass =N'单据头' and B.cItem =N'自定义项3'";
constexpr char kRecord[] = "<Userdefine><cId>15</cId><cValue>v1</cValue></Userdefine>";

constexpr char kCustomerCatalogue[] =
    "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = syscolumns.id "
    "and sysobjects.xtype = 'u' and sysobjects.name = 'customer'and syscolumns.xusertype = "
    "systypes.xtype and (systypes.name = 'money' or systypes.name = 'smallmoney') and "
    "syscolumns.name = 'cCusName'";
constexpr char kWarehouseCatalogue[] =
    "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = syscolumns.id "
    "and sysobjects.xtype = 'u' and sysobjects.name = 'warehouse'and syscolumns.xusertype = "
    "systypes.xtype and (systypes.name = 'money' or systypes.name = 'smallmoney') and "
    "syscolumns.name = 'cWhName'";
constexpr char kVouchers[] =
    "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'01'";

// Item cdefine3 with `value` as the caller typed it.
ValidateArArgs typedValue(std::u16string value, bool bBuildAr) {
  ValidateArArgs args;
  args.sUserDefVal = std::move(value);
  args.bBuildAr = bBuildAr;
  return args;
}

ValidateArArgs listSource(bool bBuildAr = false) { return typedValue(u"  v1  ", bBuildAr); }

ValidateArArgs archiveSource(std::u16string value = u"  v1  ", bool bBuildAr = false) {
  ValidateArArgs args = typedValue(std::move(value), bBuildAr);
  args.iDataSrcType = 1;
  args.sTableName = u"customer";
  args.sFieldName = u"cCusName";
  return args;
}

ValidateArArgs voucherSource(std::u16string value = u"  v1  ", bool bBuildAr = false) {
  ValidateArArgs args = typedValue(std::move(value), bBuildAr);
  args.iDataSrcType = 2;
  args.sFieldName = u"cWhName";
  args.sCardNumber = u"01";
  return args;
}

struct RefusalCase {
  std::int16_t iDataSrcType;
  std::int16_t iVoucherSec;
  const char16_t* name;
};

TEST(ValidateArTest, RefusesBadArgumentsAndNamesWithoutAnyCall) {
  const RefusalCase cases[] = {
      {3, 0, u"cdefine3"},  {-1, 0, u"cdefine3"}, {0, 2, u"cdefine3"},  {0, -1, u"cdefine3"},
      {1, 0, u"abc"},       {2, 0, u"xdefine3"},  {0, 0, u"cdefine17"}, {0, 0, u"cdefine21"},
      {1, 0, u"cdefine38"}, {2, 0, u"cdefine99"}, {0, 0, u"cdefine"},
  };
  for (const auto& c : cases) {
    for (const bool bBuildAr : {false, true}) {
      SCOPED_TRACE(std::to_string(c.iDataSrcType) + "/" + std::to_string(c.iVoucherSec) + " " +
                   utf8(c.name) + (bBuildAr ? " build" : ""));
      FakeWorld world;
      auto component = world.makeReadyComponent();
      ValidateArArgs args = listSource(bBuildAr);
      args.iDataSrcType = c.iDataSrcType;
      args.iVoucherSec = c.iVoucherSec;
      args.sUserDefName = c.name;
      const auto outcome = callValidateAr(*component, args);
      EXPECT_EQ(outcome.result, bBuildAr ? -2 : -1);
      EXPECT_EQ(outcome.value, "v1");
      EXPECT_EQ(world.log.text(), "");
    }
  }
}

TEST(ValidateArTest, SuffixThatIsNotANumberFailsThroughTheHandler) {
  FakeWorld world;
  auto component = world.makeReadyComponent();
  ValidateArArgs args = listSource(true);
  args.sUserDefName = u"cdefine1x";
  const auto outcome = callValidateAr(*component, args);
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.value, "v1");
  EXPECT_EQ(world.log.text(), "");
}

TEST(ValidateArTest, ListSourceLooksUpValueThenAliasThenArchives) {
  const Rows definition = itemDefinitionRow(u"15", u"文本", std::int32_t{20});
  const auto v = openX("ArDb", kValueLookup);
  const auto a = openX("ArDb", kAliasLookup);
  const auto d = openX("ArDb", kDefinition);
  const ArchivedValuePath paths[] = {
      {"found as a value", true, {archivedValueRow(u"v1", u"")}, Variant(true), 0, "v1", {v}},
      {"found as an alias",
       true,
       {noRows(), archivedValueRow(u"红色", u"v1")},
       Variant(true),
       0,
       "红色",
       {v, a}},
      {"found nowhere", false, {}, Variant(true), -1, "v1", {v, a}},
      {"archived",
       true,
       {noRows(), noRows(), definition},
       Variant(true),
       1,
       "v1",
       {v, a, d, addRecord(kRecord)}},
      {"Add false",
       true,
       {noRows(), noRows(), definition},
       Variant(false),
       -2,
       "v1",
       {v, a, d, addRecord(kRecord)}},
      {"no UserDef row", true, {}, Variant(true), -2, "v1", {v, a, d}},
      {"type rule fails",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"15", u"整型", Variant::null())},
       Variant(true),
       -2,
       "v1",
       {v, a, d}},
      {"too long",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"15", u"文本", std::int32_t{1})},
       Variant(true),
       -2,
       "v1",
       {v, a, d}},
      {"negative iMaxLen",
       true,
       {noRows(), noRows(), itemDefinitionRow(u"15", u"文本", std::int32_t{-1})},
       Variant(true),
       -2,
       "v1",
       {v, a, d}},
  };
  for (const auto& path : paths) {
    expectArchivedValuePath(path, [](velloc::clsVelloc& component, bool bBuildAr) {
      return callValidateAr(component, listSource(bBuildAr));
    });
  }
}

TEST(ValidateArTest, BodyItemLooksUpItsOwnSection) {
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), noRows(), itemDefinitionRow(u"40", u"", Variant::null())});
  auto component = world.makeReadyComponent();
  ValidateArArgs args = listSource(true);
  args.sUserDefName = u" CDEFINE37 ";
  args.iVoucherSec = 0;
  EXPECT_EQ(callValidateAr(*component, args).result, 1);
  EXPECT_EQ(world.log.text(),
            logText({openX("ArDb",
                           "select A.cValue, A.cAlias from UserDefine A, UserDef B where "
                           "B.cClass =N'单据体' and B.cItem =N'自定义项16' and B.cID = A.cID "
                           "and A.cValue =N'v1'"),
                     openX("ArDb",
                           "select A.cValue, A.cAlias from UserDefine A, UserDef B where "
                           "B.cClass =N'单据体' and B.cItem =N'自定义项16' and B.cID = A.cID "
                           "and A.cAlias =N'v1'"),
                     openX("ArDb",
                           "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from "
                           "UserDef B where B.cClass =N'单据体' and B.cItem =N'自定义项16'"),
                     addRecord("<Userdefine><cId>40</cId><cValue>v1</cValue></Userdefine>")}));
}

TEST(ValidateArTest, ArchiveSourceFoundInItsTableEndsWithoutUserDefineLookup) {
  struct Case {
    const char* name;
    Variant moneyCount;
    const char16_t* value;
    const char* authAnswer;
    const char* lookup;
  };
  const Case cases[] = {
      {"text column", std::int32_t{0}, u" v1 ", "",
       "select * from customer where cCusName =N'v1' and 1=1"},
      {"money column", std::int32_t{1}, u"12.5", "select iid from t",
       "select * from customer where cCusName = 12.5 and iid in (select iid from t)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    answerRowsInTurn(world, *world.voucherData, u"OpenX", {countRow(c.moneyCount)});
    world.rowAuth->answer(u"GetAuthString", Variant(utf16(c.authAnswer)));
    answerRowsInTurn(world, *world.archiveData, u"OpenX", {sourceRow()});
    auto component = world.makeReadyComponent();
    EXPECT_EQ(callValidateAr(*component, archiveSource(c.value, true)).result, 0);
    EXPECT_EQ(world.log.text(),
              logText({openX("VoDb", kCustomerCatalogue), "RowAuth.GetAuthString(&\"customer\")",
                       openX("ArDb", c.lookup)}));
    EXPECT_EQ(world.recordSets.closed(), 2);
  }
}

TEST(ValidateArTest, VoucherSourceLooksUpItsTableWithoutTheAccessFilter) {
  struct Case {
    Variant condition;
    Variant moneyCount;
    const char16_t* value;
    const char* lookup;
  };
  const Case cases[] = {
      {u"where bFlag=1", std::int32_t{0}, u"v1",
       "select * from warehouse where cWhName=N'v1' and (bFlag=1)"},
      {u"where bFlag=1", std::int32_t{2}, u"-3",
       "select * from warehouse where cWhName= -3 and (bFlag=1)"},
      {Variant::null(), std::int32_t{0}, u"v1", "select * from warehouse where cWhName=N'v1'"},
      {u"", std::int32_t{1}, u"1e3", "select * from warehouse where cWhName= 1e3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lookup);
    FakeWorld world;
    answerRowsInTurn(
        world, *world.voucherData, u"OpenX",
        {voucherDefinitionRow(u"warehouse", c.condition), countRow(c.moneyCount), sourceRow()});
    world.rowAuth->answer(u"GetAuthString", Variant(u"'W1','W2'"));
    auto component = world.makeReadyComponent();
    EXPECT_EQ(callValidateAr(*component, voucherSource(c.value)).result, 0);
    EXPECT_EQ(world.log.text(),
              logText({openX("VoDb", kVouchers), openX("VoDb", kWarehouseCatalogue),
                       "RowAuth.GetAuthString(&\"warehouse\")", openX("VoDb", c.lookup)}));
    EXPECT_EQ(world.recordSets.closed(), 3);
  }
}

TEST(ValidateArTest, EmptySourceSetIsReleasedWithoutCloseBeforeTheArchiveLookups) {
  FakeWorld world;
  answerRowsInTurn(world, *world.voucherData, u"OpenX", {countRow(std::int32_t{0})});
  auto component = world.makeReadyComponent();
  EXPECT_EQ(callValidateAr(*component, archiveSource()).result, -1);
  EXPECT_EQ(world.log.text(),
            logText({openX("VoDb", kCustomerCatalogue), "RowAuth.GetAuthString(&\"customer\")",
                     openX("ArDb", "select * from customer where cCusName =N'v1' and 1=1"),
                     openX("ArDb", kValueLookup), openX("ArDb", kAliasLookup)}));
  EXPECT_EQ(world.recordSets.created(), 4);
  EXPECT_EQ(world.recordSets.closed(), 3);
  EXPECT_EQ(world.recordSets.alive(), 0);
}

TEST(ValidateArTest, EndsWithZeroWithoutLookupWhenVoucherMissingOrFilterRefused) {
  struct Case {
    const char* name;
    ValidateArArgs args;
    std::vector<Rows> voucherAnswers;
    std::vector<std::string> log;
  };
  ValidateArArgs listOnCustomer = listSource(true);
  listOnCustomer.sTableName = u"customer";
  const Case cases[] = {
      {"no Vouchers row", voucherSource(u" v1 ", true), {noRows()}, {openX("VoDb", kVouchers)}},
      {"list source refused", listOnCustomer, {}, {"RowAuth.GetAuthString(&\"customer\")"}},
      {"archive source refused",
       archiveSource(u" v1 ", true),
       {countRow(std::int32_t{0})},
       {openX("VoDb", kCustomerCatalogue), "RowAuth.GetAuthString(&\"customer\")"}},
      {"voucher source refused",
       voucherSource(u" v1 ", true),
       {voucherDefinitionRow(u"warehouse", Variant::null()), countRow(std::int32_t{0})},
       {openX("VoDb", kVouchers), openX("VoDb", kWarehouseCatalogue),
        "RowAuth.GetAuthString(&\"warehouse\")"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    answerRowsInTurn(world, *world.voucherData, u"OpenX", c.voucherAnswers);
    world.rowAuth->answer(u"GetAuthString", Variant(u"1=2"));
    auto component = world.makeReadyComponent();
    const auto outcome = callValidateAr(*component, c.args);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.value, "v1");
    EXPECT_EQ(world.log.text(), logText(c.log));
  }
}

TEST(ValidateArTest, ApostrophesStayInsideTheirLiterals) {
  FakeWorld world;
  answerRowsInTurn(world, *world.voucherData, u"OpenX", {countRow(std::int32_t{0})});
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), noRows(), noRows(), itemDefinitionRow(u"15", u"文本", 20)});
  auto component = world.makeReadyComponent();
  ValidateArArgs args = archiveSource(u" O'Brien <&> ", true);
  args.sTableName = u"o'tbl";
  args.sFieldName = u"f'ld";

  const auto outcome = callValidateAr(*component, args);

  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.value, "O'Brien <&>");
  EXPECT_EQ(
      world.log.text(),
      logText({openX("VoDb",
                     "select count(*) from sysobjects, syscolumns, systypes where "
                     "sysobjects.id = syscolumns.id and sysobjects.xtype = 'u' and "
                     "sysobjects.name = 'o''tbl'and syscolumns.xusertype = systypes.xtype and "
                     "(systypes.name = 'money' or systypes.name = 'smallmoney') and "
                     "syscolumns.name = 'f''ld'"),
               openX("ArDb", "select * from o'tbl where f'ld =N'O''Brien <&>' and 1=1"),
               openX("ArDb",
                     "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass "
                     "=N'单据头' and B.cItem =N'自定义项3' and B.cID = A.cID and A.cValue "
                     "=N'O''Brien <&>'"),
               openX("ArDb",
                     "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass "
                     "=N'单据头' and B.cItem =N'自定义项3' and B.cID = A.cID and A.cAlias "
                     "=N'O''Brien <&>'"),
               openX("ArDb", kDefinition),
               addRecord("<Userdefine><cId>15</cId><cValue>O&apos;Brien &lt;&amp;&gt;"
                         "</cValue></Userdefine>")}));
}

TEST(ValidateArTest, ValueThatIsNotANumberFailsOnAMoneyColumnBeforeItsLookup) {
  struct Case {
    const char* name;
    ValidateArArgs args;
    std::vector<Rows> voucherAnswers;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"archive source",
       archiveSource(u" 12,5 ", true),
       {countRow(std::int32_t{1})},
       {openX("VoDb", kCustomerCatalogue), "RowAuth.GetAuthString(&\"customer\")"}},
      {"voucher source",
       voucherSource(u"1 OR 1=1", true),
       {voucherDefinitionRow(u"warehouse", u""), countRow(std::int32_t{1})},
       {openX("VoDb", kVouchers), openX("VoDb", kWarehouseCatalogue),
        "RowAuth.GetAuthString(&\"warehouse\")"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    answerRowsInTurn(world, *world.voucherData, u"OpenX", c.voucherAnswers);
    auto component = world.makeReadyComponent();
    EXPECT_EQ(callValidateAr(*component, c.args).result, -1);
    EXPECT_EQ(world.log.text(), logText(c.log));
  }
}

TEST(ValidateArTest, FailureReadingAnAliasKeepsTheTypedValue) {
  FakeWorld world;
  answerRowsInTurn(world, *world.archiveData, u"OpenX",
                   {noRows(), archivedValueRow(Variant::null(), u"v1")});
  auto component = world.makeReadyComponent();
  const auto outcome = callValidateAr(*component, listSource(true));
  EXPECT_EQ(outcome.result, -1);
  EXPECT_EQ(outcome.value, "v1");
  EXPECT_EQ(world.recordSets.closed(), 1);
  EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
}

TEST(ValidateArTest, FailureInsideArchivingGivesMinusTwo) {
  struct Case {
    const char* name;
    Rows definition;
  };
  const Case cases[] = {
      {"iMaxLen out of range", itemDefinitionRow(u"15", u"文本", std::int32_t{40000})},
      {"Null cId", itemDefinitionRow(Variant::null(), u"文本", std::int32_t{20})},
      {"Null cType", itemDefinitionRow(u"15", Variant::null(), std::int32_t{20})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    answerRowsInTurn(world, *world.archiveData, u"OpenX", {noRows(), noRows(), c.definition});
    auto component = world.makeReadyComponent();
    EXPECT_EQ(callValidateAr(*component, listSource(true)).result, -2);
    EXPECT_EQ(world.log.text(), logText({openX("ArDb", kValueLookup), openX("ArDb", kAliasLookup),
                                         openX("ArDb", kDefinition)}));
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

TEST(ValidateArTest, FaultAtEveryCallOfTheListSource) {
  SweepScenario scenario;
  scenario.script = [](FakeWorld& world) {
    answerRowsInTurn(world, *world.archiveData, u"OpenX",
                     {noRows(), noRows(), itemDefinitionRow(u"15", u"文本", 20)});
  };
  scenario.validate = [](velloc::clsVelloc& component, bool bBuildAr) {
    ValidateArArgs args = listSource(bBuildAr);
    args.sTableName = u"Department";
    return callValidateAr(component, args).result;
  };
  scenario.calls = {
      {"RowAuth.GetAuthString(&\"Department\")", -1, 0},
      {openX("ArDb", kValueLookup), -1, 0},
      {openX("ArDb", kAliasLookup), -2, 1},
      {openX("ArDb", kDefinition), -2, 2},
      {addRecord(kRecord), -2, 3},
  };
  scenario.callsWithoutBuild = 3;
  sweepFaults(scenario);
}

TEST(ValidateArTest, FaultAtEveryCallOfTheArchiveSource) {
  SweepScenario scenario;
  scenario.script = [](FakeWorld& world) {
    answerRowsInTurn(world, *world.voucherData, u"OpenX", {countRow(std::int32_t{0})});
    answerRowsInTurn(world, *world.archiveData, u"OpenX",
                     {noRows(), noRows(), noRows(), itemDefinitionRow(u"15", u"文本", 20)});
  };
  scenario.validate = [](velloc::clsVelloc& component, bool bBuildAr) {
    return callValidateAr(component, archiveSource(u"v1", bBuildAr)).result;
  };
  scenario.calls = {
      {openX("VoDb", kCustomerCatalogue), -1, 0},
      {"RowAuth.GetAuthString(&\"customer\")", -1, 1},
      {openX("ArDb", "select * from customer where cCusName =N'v1' and 1=1"), -1, 1},
      {openX("ArDb", kValueLookup), -2, 1},
      {openX("ArDb", kAliasLookup), -2, 2},
      {openX("ArDb", kDefinition), -2, 3},
      {addRecord(kRecord), -2, 4},
  };
  scenario.callsWithoutBuild = 5;
  sweepFaults(scenario);
}

TEST(ValidateArTest, FaultAtEveryCallOfTheVoucherSource) {
  SweepScenario scenario;
  scenario.script = [](FakeWorld& world) {
    answerRowsInTurn(
        world, *world.voucherData, u"OpenX",
        {voucherDefinitionRow(u"warehouse", u"bFlag=1"), countRow(std::int32_t{0}), noRows()});
    answerRowsInTurn(world, *world.archiveData, u"OpenX",
                     {noRows(), noRows(), itemDefinitionRow(u"15", u"文本", 20)});
  };
  scenario.validate = [](velloc::clsVelloc& component, bool bBuildAr) {
    return callValidateAr(component, voucherSource(u"v1", bBuildAr)).result;
  };
  scenario.calls = {
      {openX("VoDb", kVouchers), -1, 0},
      {openX("VoDb", kWarehouseCatalogue), -1, 1},
      {"RowAuth.GetAuthString(&\"warehouse\")", -1, 2},
      {openX("VoDb", "select * from warehouse where cWhName=N'v1' and (bFlag=1)"), -1, 2},
      {openX("ArDb", kValueLookup), -2, 2},
      {openX("ArDb", kAliasLookup), -2, 3},
      {openX("ArDb", kDefinition), -2, 4},
      {addRecord(kRecord), -2, 5},
  };
  scenario.callsWithoutBuild = 6;
  sweepFaults(scenario);
}

}  // namespace
}  // namespace tarn::testing
