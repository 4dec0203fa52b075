// Methods called while a component they need is not set: a property the caller set to null, or
// the private members that only Init sets. The method fails at the call through its handler
// (false, or the code the running result gives); nothing re-creates the component.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"
#include "tests/kit/userdefine_ref_fixtures.h"
#include "tests/kit/validation_fixtures.h"

namespace tarn::testing {
namespace {

using automation::Variant;

std::string getRefSQL(velloc::clsVelloc& component, std::int16_t iDataSrcType) {
  ReferenceOutputs outputs;
  const bool ok =
      component.GetRefSQL(iDataSrcType, 0, u"cdefine3", u"customer", u"cCusName", u"01", u"",
                          outputs.sRefSql, outputs.sRefColSet, outputs.sRefColWidth);
  return referenceOutcome(ok, outputs);
}

void voucherSourceRows(FakeWorld& world) {
  answerRows(world, *world.voucherData, u"OpenX", voucherRow(u"SaleBill", Variant::null()));
  answerRows(world, *world.voucherData, u"GetFieldNames", fieldRows({{u"cCode", u"编码"}}));
}

const std::string kVouchersLookup =
    "VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = N'01'\", "
    "&False, &\"\")";

struct UnsetCase {
  const char* name;
  std::int16_t iDataSrcType;
  std::vector<std::string> log;
  std::string result;
};

TEST(UnsetServicesTest, ColumnSettingsSetToNullAfterInit) {
  const UnsetCase cases[] = {
      {"list source", 0, {}, refusedReference()},
      {"archive source", 1, {"RowAuth.GetAuthString(&\"customer\")"}, refusedReference()},
      {"voucher source needs no column settings",
       2,
       {kVouchersLookup, "VoDb.GetFieldNames(&\"SaleBill\", &False, &\"\")"},
       "true | select cCode from SaleBill | 编码 | \"\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    voucherSourceRows(world);
    auto component = world.makeReadyComponent();
    component->putref_g_ColSet(nullptr);

    EXPECT_EQ(getRefSQL(*component, c.iDataSrcType), revisionText(c.result));
    EXPECT_EQ(world.log.text(), revisionText(logText(c.log)));
    EXPECT_EQ(component->get_g_ColSet(), nullptr);
  }
}

// An object whose four properties the caller set, without Init: m_sConn stays empty and
// m_oUtil null.
std::shared_ptr<velloc::clsVelloc> propertiesWithoutInit(FakeWorld& world) {
  auto component = world.makeComponent();
  component->putref_g_oArDbSrv(world.archiveData);
  component->putref_g_oVoDbSrv(world.voucherData);
  component->putref_g_ColSet(world.columnSettings);
  component->putref_g_oRowAuth(world.rowAuth);
  return component;
}

TEST(UnsetServicesTest, WithoutInitGetRefSQLForAnArchiveTableFailsAtTheUtilityService) {
  FakeWorld world;
  auto component = propertiesWithoutInit(world);

  EXPECT_EQ(getRefSQL(*component, 1), refusedReference());

  EXPECT_EQ(world.log.text(), logText({"RowAuth.GetAuthString(&\"customer\")",
                                       "ColSet.getColInfo(&\"customerRef\", 1%)",
                                       "ColSet.GetSqlString(&\"info:customerRef\")",
                                       "ColSet.GetOrderString(&\"info:customerRef\")",
                                       "ColSet.getColSet(&\"customerRef\", 1%)"}));
  EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
  EXPECT_EQ(world.recordSets.alive(), 0);
}

std::string getStruFreeRefSQL(velloc::clsVelloc& component) {
  ReferenceOutputs outputs;
  const bool ok = component.GetStruFreeRefSQL(u"P01", u"cFree2", u"", outputs.sRefSql,
                                              outputs.sRefColSet, outputs.sRefColWidth);
  return referenceOutcome(ok, outputs);
}

TEST(UnsetServicesTest, WithoutInitGetStruFreeRefSQLOpensWithAnEmptyConnectionString) {
  FakeWorld world;
  world.connection->answer(u"Open", [](std::span<automation::Argument> args) {
    if (args[0].value().toString().empty()) {
      automation::raise(automation::ErrorCode::kComponentFailure, "no data source");
    }
    return Variant();
  });
  auto component = propertiesWithoutInit(world);

  EXPECT_EQ(getStruFreeRefSQL(*component), refusedReference());

  EXPECT_EQ(world.log.text(),
            logText({"create ADODB.Connection", "Conn.Open(\"\", \"\", \"\", -1&)"}));
}

TEST(UnsetServicesTest, WithoutInitGetStruFreeRefSQLStillLacksTheUtilityService) {
  FakeWorld world;  // a connection that opens even with an empty connection string
  auto component = propertiesWithoutInit(world);

  EXPECT_EQ(getStruFreeRefSQL(*component), refusedReference());

  EXPECT_EQ(world.log.text(),
            revisionText(logText({"create ADODB.Connection", "Conn.Open(\"\", \"\", \"\", -1&)",
                                  "Conn.Execute(\"select * from Inventory where cInvCode "
                                  "=N'P01'\", Empty, -1&)",
                                  "Conn.Close()"})));
}

TEST(UnsetServicesTest, WithoutInitGetFreeRefSQLWorks) {
  FakeWorld world;
  answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"值"}));
  auto component = propertiesWithoutInit(world);

  ReferenceOutputs outputs;
  const bool ok = component->GetFreeRefSQL(u"cfree2", u"", outputs.sRefSql, outputs.sRefColSet,
                                           outputs.sRefColWidth);

  EXPECT_EQ(
      referenceOutcome(ok, outputs),
      revisionText("true | Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem "
                   "=N'自由项2' and B.cID = A.cID | 值 | \"\""));
  EXPECT_EQ(world.log.text(), logText({"ColSet.getColInfo(&\"UserDefFreeRef\", 1%)",
                                       "ColSet.GetSqlString(&\"info:UserDefFreeRef\")",
                                       "ColSet.GetOrderString(&\"info:UserDefFreeRef\")",
                                       "ColSet.getColSet(&\"UserDefFreeRef\", 1%)"}));
}

const std::string kCatalogue =
    "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = syscolumns.id "
    "and sysobjects.xtype = 'u' and sysobjects.name = 'SaleBill'and syscolumns.xusertype = "
    "systypes.xtype and (systypes.name = 'money' or systypes.name = 'smallmoney') and "
    "syscolumns.name = 'cName'";

struct NoArchiveCase {
  const char* name;
  std::int16_t iDataSrcType;
  std::vector<Rows> voucherAnswers;
  std::vector<std::string> log;
  std::int16_t withBuild;
  std::int16_t withoutBuild;
};

TEST(UnsetServicesTest, ValidateArWithoutTheArchiveDataService) {
  const NoArchiveCase cases[] = {
      // The value lookup is the first archive call; the running result is still 0.
      {"list source", 0, {}, {}, -1, -1},
      // The source lookup goes to the archive service before the running result moves.
      {"archive source",
       1,
       {countRow(Variant(std::int32_t{0}))},
       {openX("VoDb",
              "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
              "syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = 'unit'and "
              "syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or "
              "systypes.name = 'smallmoney') and syscolumns.name = 'cName'")},
       -1,
       -1},
      // The voucher source found nothing in its own table: the running result stands at -1
      // when the value lookup reaches for the archive service.
      {"voucher source, value not in its table",
       2,
       {voucherDefinitionRow(u"SaleBill", Variant::null()), countRow(Variant(std::int32_t{0})),
        noRows()},
       {openX("VoDb", "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'01'"),
        openX("VoDb", kCatalogue), openX("VoDb", "select * from SaleBill where cName=N'v1'")},
       -2,
       -1},
      {"voucher source, value in its table",
       2,
       {voucherDefinitionRow(u"SaleBill", Variant::null()), countRow(Variant(std::int32_t{0})),
        sourceRow()},
       {openX("VoDb", "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'01'"),
        openX("VoDb", kCatalogue), openX("VoDb", "select * from SaleBill where cName=N'v1'")},
       0,
       0},
  };
  for (const auto& c : cases) {
    for (const bool bBuildAr : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (bBuildAr ? ", bBuildAr true" : ", bBuildAr false"));
      FakeWorld world;
      answerRowsInTurn(world, *world.voucherData, u"OpenX", c.voucherAnswers);
      auto component = world.makeReadyComponent();
      component->putref_g_oArDbSrv(nullptr);

      ValidateArArgs args;
      args.iDataSrcType = c.iDataSrcType;
      args.sTableName = c.iDataSrcType == 1 ? u"unit" : u"";
      args.sFieldName = u"cName";
      args.sCardNumber = u"01";
      args.sUserDefVal = u" v1 ";
      args.bBuildAr = bBuildAr;
      const ValidationOutcome outcome = callValidateAr(*component, args);

      EXPECT_EQ(outcome.result, bBuildAr ? c.withBuild : c.withoutBuild);
      EXPECT_EQ(outcome.value, "v1");
      EXPECT_EQ(world.log.text(), logText(c.log));
      EXPECT_EQ(world.recordSets.alive(), 0);
    }
  }
}

TEST(UnsetServicesTest, ValidateFreeArWithoutTheArchiveDataService) {
  for (const bool bBuildAr : {true, false}) {
    SCOPED_TRACE(bBuildAr ? "bBuildAr true" : "bBuildAr false");
    FakeWorld world;
    auto component = world.makeReadyComponent();
    component->putref_g_oArDbSrv(nullptr);

    // The value lookup is the first call; the running result is still 0.
    const ValidationOutcome outcome = callValidateFreeAr(*component, u"cfree2", u" v1 ", bBuildAr);

    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.value, " v1 ");
    EXPECT_EQ(world.log.text(), "");
  }
}

}  // namespace
}  // namespace tarn::testing
