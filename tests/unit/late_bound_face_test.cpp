// The five working methods reached through the late-bound face, by name and by dispatch id:
// every argument position lands in the parameter it stands for (the call log shows where each
// recognisable value went), and the by-reference results come back into the caller's Variants
// only as the method wrote them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "component/clsVelloc.h"
#include "component/dispatch_face.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/freeitem_fixtures.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"
#include "tests/kit/userdefine_ref_fixtures.h"
#include "tests/kit/validation_fixtures.h"

namespace tarn::testing {
namespace {

using automation::Argument;
using automation::CallKind;
using automation::DispId;
using automation::ObjectRef;
using automation::Variant;

enum class Reach { kByName, kById };

struct Member {
  const char16_t* name;
  DispId id;
};

constexpr Member kGetRefSQL{u"GetRefSQL", velloc::kDispIdGetRefSQL};
constexpr Member kValidateAr{u"ValidateAr", velloc::kDispIdValidateAr};
constexpr Member kGetFreeRefSQL{u"GetFreeRefSQL", velloc::kDispIdGetFreeRefSQL};
constexpr Member kValidateFreeAr{u"ValidateFreeAr", velloc::kDispIdValidateFreeAr};
constexpr Member kGetStruFreeRefSQL{u"GetStruFreeRefSQL", velloc::kDispIdGetStruFreeRefSQL};

Variant invoke(FakeWorld& world, Reach reach, Member member, std::vector<Argument> args) {
  const ObjectRef face = velloc::makeDispatchFace(world.makeReadyComponent());
  if (reach == Reach::kById) return face->invoke(member.id, CallKind::Call, args);
  return face->call(member.name, args);
}

Variant integer(std::int16_t value) { return Variant(value); }
Variant text(const char16_t* value) { return Variant(value); }

struct ReferenceCase {
  const char* name;
  std::function<void(FakeWorld&)> script;
  // The by-value arguments; the three outputs follow them.
  std::vector<Variant> inputs;
  bool result;
  std::vector<std::string> log;
  std::string outputs;  // as ReferenceOutputs::text() shows them
};

void checkReferenceCases(Member member, const std::vector<ReferenceCase>& cases) {
  for (const auto& c : cases) {
    for (const Reach reach : {Reach::kByName, Reach::kById}) {
      SCOPED_TRACE(std::string(c.name) + (reach == Reach::kById ? ", by id" : ", by name"));
      FakeWorld world;
      c.script(world);
      const ReferenceOutputs caller;
      Variant sql(caller.sRefSql);
      Variant columnSet(caller.sRefColSet);
      Variant width(caller.sRefColWidth);
      std::vector<Argument> args;
      for (const auto& input : c.inputs) args.push_back(Argument::byValue(input));
      args.push_back(Argument::byRef(sql));
      args.push_back(Argument::byRef(columnSet));
      args.push_back(Argument::byRef(width));
      const Variant result = invoke(world, reach, member, std::move(args));
      EXPECT_EQ(result, Variant(c.result));
      EXPECT_EQ(world.log.text(), revisionText(logText(c.log)));
      const ReferenceOutputs written{sql.toString(), columnSet.toString(), width};
      EXPECT_EQ(written.text(), revisionText(c.outputs));
    }
  }
}

std::vector<std::string> layoutCalls(const std::string& key) {
  return {"ColSet.getColInfo(&\"" + key + "\", 1%)", "ColSet.GetSqlString(&\"info:" + key + "\")",
          "ColSet.GetOrderString(&\"info:" + key + "\")", "ColSet.getColSet(&\"" + key + "\", 1%)"};
}

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(LateBoundFaceTest, GetRefSQLArgumentsReachTheirParameters) {
  checkReferenceCases(
      kGetRefSQL,
      {
          {"list source: the name and the match text",
           [](FakeWorld& world) {
             answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"值", u"别名"}));
           },
           {integer(0), integer(1), text(u" cdefine22 "), text(u"customer"), text(u"cCusName"),
            text(u"CARD7"), text(u" mat8 ")},
           true,
           layoutCalls("UserDefineRef"),
           "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据体' "
           "and B.cItem =N'自定义项1' and B.cID = A.cID and (cValue like N'%mat8%' or cAlias like "
           "N'%mat8%') | 值,别名 | \"\""},
          {"archive source: the table, the field and the match text",
           [](FakeWorld& world) {
             world.rowAuth->answer(u"GetAuthString", Variant(u"select iid from rights"));
             world.columnSettings->answer(u"GetSqlString", Variant(u"cCusCode, cCusName"));
             answerRows(world, *world.columnSettings, u"getColSet",
                        captionRows({u"编码", u"名称"}));
           },
           {integer(1), integer(0), text(u"cdefine3"), text(u"customer"), text(u"cCusName"),
            text(u"CARD7"), text(u"mat8")},
           true,
           joined(joined({"RowAuth.GetAuthString(&\"customer\")"}, layoutCalls("customerRef")),
                  {"Util.GetJoinTableStr(&\"customer\")"}),
           "Select cCusCode, cCusName from customer where iid in (select iid from rights) and "
           "cCusName like N'%mat8%' | 编码,名称 | \"\""},
          {"voucher source: the card number, the field and the match text",
           [](FakeWorld& world) {
             answerRows(world, *world.voucherData, u"OpenX",
                        voucherRow(u"SaleBill", Variant::null()));
             answerRows(world, *world.voucherData, u"GetFieldNames",
                        fieldRows({{u"cWhCode", u"编码"}, {u"cWhName", u"名称"}}));
           },
           {integer(2), integer(1), text(u"cdefine3"), text(u"customer"), text(u"cWhName"),
            text(u"CARD7"), text(u"mat8")},
           true,
           {"VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = "
            "N'CARD7'\", &False, &\"\")",
            "VoDb.GetFieldNames(&\"SaleBill\", &False, &\"\")"},
           "select cWhCode, cWhName from SaleBill where cWhName like N'%mat8%' | 编码,名称 | "
           "\"\""},
          {"a refused reference writes nothing back",
           [](FakeWorld& world) { world.rowAuth->answer(u"GetAuthString", Variant(u"1=2")); },
           {integer(1), integer(0), text(u"cdefine3"), text(u"customer"), text(u"cCusName"),
            text(u"CARD7"), text(u"mat8")},
           false,
           {"RowAuth.GetAuthString(&\"customer\")"},
           untouchedOutputs()},
      });
}

TEST(LateBoundFaceTest, GetFreeRefSQLArgumentsReachTheirParameters) {
  checkReferenceCases(
      kGetFreeRefSQL,
      {
          {"the name and the match text",
           [](FakeWorld& world) {
             answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"值", u"别名"}));
           },
           {text(u" cFree4 "), text(u" mat8 ")},
           true,
           layoutCalls("UserDefFreeRef"),
           "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'自由项4' and "
           "B.cID = A.cID and (cValue like N'%mat8%' or cAlias like N'%mat8%') | 值,别名 | \"\""},
          {"a failed layout writes nothing back",
           [](FakeWorld& world) {
             world.columnSettings->answer(u"getColSet", Variant(u"not a record set"));
           },
           {text(u"cFree4"), text(u"mat8")},
           false,
           layoutCalls("UserDefFreeRef"),
           untouchedOutputs()},
      });
}

TEST(LateBoundFaceTest, GetStruFreeRefSQLArgumentsReachTheirParameters) {
  const std::vector<std::string> inventoryLookup{
      "create ADODB.Connection",
      "Conn.Open(\"Provider=Fake\", \"\", \"\", -1&)",
      "Conn.Execute(\"select * from Inventory where cInvCode =N'P01'\", Empty, -1&)",
      "Conn.Close()",
  };
  checkReferenceCases(
      kGetStruFreeRefSQL,
      {
          {"the inventory code, the name and the match text",
           [](FakeWorld& world) {
             world.connection->answer(u"Execute", [&world](std::span<Argument>) {
               return Variant(inventoryRow(world.recordSets, u"bConfigFree2", true));
             });
           },
           {text(u" P01 "), text(u"cFree2"), text(u" mat8 ")},
           true,
           joined(inventoryLookup, {"Util.GetResString(\"Tarn.AA.ARCHIVE.FIELD.inv_free\")"}),
           "select distinct Free2 as [存货自由项2] from bas_part where InvCode =N' P01 ' and "
           "Free2 like N'%mat8%' | 存货自由项2 | \"3000\""},
          {"a refused name writes nothing back",
           [](FakeWorld&) {},
           {text(u" P01 "), text(u"xfree2"), text(u"mat8")},
           false,
           inventoryLookup,
           untouchedOutputs()},
      });
}

struct ValidationCase {
  const char* name;
  std::function<void(FakeWorld&)> script;
  // The arguments; the one at the method's value position is passed by reference.
  std::vector<Variant> inputs;
  std::int16_t result;
  std::vector<std::string> log;
  Variant value;  // the caller's value Variant afterwards
};

void checkValidationCases(Member member, std::size_t valueAt,
                          const std::vector<ValidationCase>& cases) {
  for (const auto& c : cases) {
    for (const Reach reach : {Reach::kByName, Reach::kById}) {
      SCOPED_TRACE(std::string(c.name) + (reach == Reach::kById ? ", by id" : ", by name"));
      FakeWorld world;
      c.script(world);
      Variant value = c.inputs[valueAt];
      std::vector<Argument> args;
      for (std::size_t i = 0; i < c.inputs.size(); ++i) {
        args.push_back(i == valueAt ? Argument::byRef(value) : Argument::byValue(c.inputs[i]));
      }
      const Variant result = invoke(world, reach, member, std::move(args));
      EXPECT_EQ(result, Variant(c.result));
      EXPECT_EQ(world.log.text(), logText(c.log));
      EXPECT_EQ(value, c.value);
    }
  }
}

std::string catalogueQuery(const std::string& table, const std::string& field) {
  return "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
         "syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = '" +
         table +
         "'and syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or "
         "systypes.name = 'smallmoney') and syscolumns.name = '" +
         field + "'";
}

TEST(LateBoundFaceTest, ValidateArArgumentsReachTheirParameters) {
  const std::string body1 =
      "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据体' and "
      "B.cItem =N'自定义项1' and B.cID = A.cID and A.c";
  const std::string header3 =
      "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据头' and "
      "B.cItem =N'自定义项3' and B.cID = A.cID and A.c";
  checkValidationCases(
      kValidateAr, 5,
      {
          {"archive source: the table, the field, the value and bBuildAr",
           [](FakeWorld& world) {
             answerRows(world, *world.voucherData, u"OpenX", countRow(Variant(std::int32_t{0})));
             answerRowsInTurn(world, *world.archiveData, u"OpenX",
                              {noRows(), noRows(), noRows(),
                               itemDefinitionRow(u"15", u"文本", std::int16_t{9})});
           },
           {integer(1), integer(1), text(u"cdefine22"), text(u"customer"), text(u"cCusName"),
            text(u"  typed  "), text(u"CARD7"), Variant(true)},
           1,
           {openX("VoDb", catalogueQuery("customer", "cCusName")),
            "RowAuth.GetAuthString(&\"customer\")",
            openX("ArDb", "select * from customer where cCusName =N'typed' and 1=1"),
            openX("ArDb", body1 + "Value =N'typed'"), openX("ArDb", body1 + "Alias =N'typed'"),
            openX("ArDb",
                  "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
                  "where B.cClass =N'单据体' and B.cItem =N'自定义项1'"),
            addRecord("<Userdefine><cId>15</cId><cValue>typed</cValue></Userdefine>")},
           Variant(u"typed")},
          {"voucher source: the card number, the field and an alias's value written back",
           [](FakeWorld& world) {
             answerRowsInTurn(world, *world.voucherData, u"OpenX",
                              {voucherDefinitionRow(u"SaleBill", Variant::null()),
                               countRow(Variant(std::int32_t{0})), noRows()});
             answerRowsInTurn(world, *world.archiveData, u"OpenX",
                              {noRows(), archivedValueRow(u"archived", u"alias9")});
           },
           {integer(2), integer(0), text(u"cdefine3"), text(u"customer"), text(u"cWhName"),
            text(u" alias9 "), text(u"CARD7"), Variant(false)},
           0,
           {openX("VoDb",
                  "select top 1 BTTblName, cDefWhere from Vouchers where CardNumber =N'CARD7'"),
            openX("VoDb", catalogueQuery("SaleBill", "cWhName")),
            openX("VoDb", "select * from SaleBill where cWhName=N'alias9'"),
            openX("ArDb", header3 + "Value =N'alias9'"),
            openX("ArDb", header3 + "Alias =N'alias9'")},
           Variant(u"archived")},
      });
}

TEST(LateBoundFaceTest, ValidateFreeArArgumentsReachTheirParameters) {
  const std::string item4 =
      "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cItem =N'自由项4' and "
      "B.cID = A.cID and A.c";
  checkValidationCases(
      kValidateFreeAr, 1,
      {
          {"the name, the untrimmed value and bBuildAr",
           [](FakeWorld& world) {
             answerRowsInTurn(
                 world, *world.archiveData, u"OpenX",
                 {noRows(), noRows(), itemDefinitionRow(u"16", u"文本", std::int16_t{9})});
           },
           {text(u" cFree4 "), text(u" v 1 "), Variant(true)},
           1,
           {openX("ArDb", item4 + "Value =N' v 1 '"), openX("ArDb", item4 + "Alias =N' v 1 '"),
            openX("ArDb",
                  "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
                  "where B.cItem =N'自由项4'"),
            addRecord("<Userdefine><cId>16</cId><cValue> v 1 </cValue></Userdefine>")},
           Variant(u" v 1 ")},
          {"an alias's value written back",
           [](FakeWorld& world) {
             answerRowsInTurn(world, *world.archiveData, u"OpenX",
                              {noRows(), archivedValueRow(u"archived", u"alias9")});
           },
           {text(u"cfree4"), text(u"alias9"), Variant(false)},
           0,
           {openX("ArDb", item4 + "Value =N'alias9'"), openX("ArDb", item4 + "Alias =N'alias9'")},
           Variant(u"archived")},
      });
}

}  // namespace
}  // namespace tarn::testing
