// Init against databases that cannot be opened, and the whole component reached the way a host
// reaches it: created by its ProgID through the component factory and called late-bound.
#include <filesystem>
#include <string>
#include <vector>

#include "component_test_support.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::velloc::testing {
namespace {

using automation::Argument;
using automation::ObjectRef;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

using ComponentLifecycleTest = ComponentDatabaseTest;

Variant callByValue(const ObjectRef& object, std::u16string_view name,
                    std::vector<Variant> values = {}) {
  std::vector<Argument> args;
  for (auto& value : values) args.push_back(Argument::byValue(std::move(value)));
  return object->call(name, args);
}

TEST_F(ComponentLifecycleTest, InitOnADatabaseThatCannotBeOpenedReportsFalse) {
  const std::filesystem::path missing = demo_.folder() / "missing.db";
  struct Case {
    std::string label;
    std::u16string connection;
  };
  const std::vector<Case> cases = {
      {"a database file that does not exist", erp::sqliteConnectionString(missing)},
      {"a folder that does not exist",
       erp::sqliteConnectionString(demo_.folder() / "no such folder" / "erp.db")},
      {"an empty connection string", u""},
      {"a provider the components do not have",
       u"Provider=Oracle;Data Source=" + utf16(demo_.path().string())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    clsVelloc velloc;
    EXPECT_FALSE(velloc.Init(c.connection, u"demo"));
    // The archive data service is kept and reports itself not ready; nothing after it was made.
    const ObjectRef archive = velloc.get_g_oArDbSrv();
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(callByValue(archive, u"Status"), Variant(false));
    EXPECT_EQ(velloc.get_g_ColSet(), nullptr);
    EXPECT_EQ(velloc.get_g_oVoDbSrv(), nullptr);
    EXPECT_EQ(velloc.get_g_oRowAuth(), nullptr);
    EXPECT_EQ(velloc.connectionString(), c.connection);

    // Every method of the object that Init left unready fails cleanly.
    EXPECT_EQ(getRefSql(velloc, kListSource, kHeader, "cdefine3", "", "", "", "").outputs,
              untouchedOutputs());
    EXPECT_EQ(
        getRefSql(velloc, kArchiveSource, kHeader, "", "customer", "cCusName", "", "").outputs,
        untouchedOutputs());
    EXPECT_EQ(validateAr(velloc, kListSource, kHeader, "cdefine3", "", "", "华东区", "", true).code,
              -1);
    EXPECT_EQ(validateFreeAr(velloc, "cfree1", "红", true).code, -1);
    EXPECT_EQ(getFreeRefSql(velloc, "cfree1", "").outputs, untouchedOutputs());
    EXPECT_EQ(getStruFreeRefSql(velloc, "01001", "cFree1", "").outputs, untouchedOutputs());
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(ComponentLifecycleTest, InitAgainOnAnotherDatabaseMovesEveryMethodThere) {
  const std::filesystem::path emptyPath = demo_.folder() / "empty.db";
  erp::createEmptyDatabase(emptyPath);
  auto velloc = component();
  ASSERT_TRUE(velloc->Init(erp::sqliteConnectionString(emptyPath), u"demo"));

  EXPECT_EQ(validateAr(*velloc, kListSource, kHeader, "cdefine3", "", "", "华东区", "", false).code,
            -1);
  // 01002 keeps colour unstructured in the demo database; the empty one does not know it, so
  // the parts path is taken, and the caption is the utility service's answer for a resource it
  // does not hold.
  const Reference ref = getStruFreeRefSql(*velloc, "01002", "cFree1", "");
  ASSERT_TRUE(ref.result);
  EXPECT_EQ(ref.sql, revisionText("select distinct Free1 as [Tarn.AA.ARCHIVE.FIELD.inv_free1] from "
                                  "bas_part where InvCode =N'01002'"));
}

TEST_F(ComponentLifecycleTest, TheComponentCreatedByProgIdRunsEveryMethodLateBound) {
  const ObjectRef velloc = automation::CreateObject(kProgId);
  ASSERT_NE(velloc, nullptr);
  EXPECT_EQ(callByValue(velloc, u"Init", {Variant(connection()), Variant(u"clerk01")}),
            Variant(true));

  {
    SCOPED_TRACE("GetRefSQL");
    Variant sql(u"");
    Variant colSet(u"");
    Variant width;
    std::vector<Argument> args{Argument::byValue(std::int16_t{kArchiveSource}),
                               Argument::byValue(std::int16_t{kHeader}),
                               Argument::byValue(u""),
                               Argument::byValue(u"customer"),
                               Argument::byValue(u"cCusName"),
                               Argument::byValue(u""),
                               Argument::byValue(u"公司"),
                               Argument::byRef(sql),
                               Argument::byRef(colSet),
                               Argument::byRef(width)};
    EXPECT_EQ(velloc->call(u"GetRefSQL", args), Variant(true));
    EXPECT_EQ(colSet, Variant(u"客户编码,客户名称,信用额度"));
    EXPECT_EQ(width, Variant(u""));
    EXPECT_THAT(run(utf8(sql.toString())),
                UnorderedElementsAre(ElementsAre("C001", "北京华联商贸有限公司", "500000"),
                                     ElementsAre("C003", "广州天河电子有限公司", "0")));

    args[3] = Argument::byValue(u"vendor");
    sql = Variant(u"kept");
    EXPECT_EQ(velloc->call(u"GetRefSQL", args), Variant(false));
    EXPECT_EQ(sql, Variant(u"kept"));
  }
  {
    SCOPED_TRACE("ValidateAr");
    Variant value(u" HN ");
    std::vector<Argument> args{Argument::byValue(std::int16_t{kListSource}),
                               Argument::byValue(std::int16_t{kHeader}),
                               Argument::byValue(u"cdefine3"),
                               Argument::byValue(u""),
                               Argument::byValue(u""),
                               Argument::byRef(value),
                               Argument::byValue(u""),
                               Argument::byValue(true)};
    EXPECT_EQ(velloc->call(u"ValidateAr", args), Variant(std::int16_t{0}));
    EXPECT_EQ(value, Variant(u"华南区"));

    value = Variant(u"华中区");
    EXPECT_EQ(velloc->call(u"ValidateAr", args), Variant(std::int16_t{1}));
    EXPECT_EQ(
        runNative("select count(*) from UserDefine where cID = 'H03' and cValue = ?", {"华中区"}),
        Rows{{"1"}});
  }
  {
    SCOPED_TRACE("GetFreeRefSQL");
    Variant sql;
    Variant colSet;
    Variant width;
    std::vector<Argument> args{Argument::byValue(u"cfree2"), Argument::byValue(u"X"),
                               Argument::byRef(sql), Argument::byRef(colSet),
                               Argument::byRef(width)};
    EXPECT_EQ(velloc->call(u"GetFreeRefSQL", args), Variant(true));
    EXPECT_EQ(colSet, Variant(u"自由项值,别名,条形码"));
    EXPECT_EQ(width, Variant(u""));
    EXPECT_THAT(run(utf8(sql.toString())), ElementsAre(ElementsAre("XL", "特大", "6901234500127")));
  }
  {
    SCOPED_TRACE("ValidateFreeAr");
    Variant value(u"大");
    std::vector<Argument> args{Argument::byValue(u"cfree2"), Argument::byRef(value),
                               Argument::byValue(false)};
    EXPECT_EQ(velloc->call(u"ValidateFreeAr", args), Variant(std::int16_t{0}));
    EXPECT_EQ(value, Variant(u"L"));
  }
  {
    SCOPED_TRACE("GetStruFreeRefSQL");
    Variant sql;
    Variant colSet;
    Variant width;
    std::vector<Argument> args{Argument::byValue(u"01001"), Argument::byValue(u"cFree2"),
                               Argument::byValue(u""),      Argument::byRef(sql),
                               Argument::byRef(colSet),     Argument::byRef(width)};
    EXPECT_EQ(velloc->call(u"GetStruFreeRefSQL", args), Variant(true));
    EXPECT_EQ(sql,
              Variant(revisionText(
                  u"select distinct Free2 as [自由项2] from bas_part where InvCode =N'01001'")));
    EXPECT_EQ(colSet, Variant(u"自由项2"));
    EXPECT_EQ(width, Variant(u"3000"));
    EXPECT_THAT(run(utf8(sql.toString())),
                UnorderedElementsAre(ElementsAre("M"), ElementsAre("L")));
  }
}

}  // namespace
}  // namespace tarn::velloc::testing
