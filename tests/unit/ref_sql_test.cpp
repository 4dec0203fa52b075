// GetRefSQL through the component: the whole SQL text, column-set text and widths for each
// source, the exact calls made on the outside components, and the outputs left as the caller
// had them on every refusal and failure.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/revision.h"
#include "tests/kit/userdefine_ref_fixtures.h"

namespace tarn::testing {
namespace {

using automation::Argument;
using automation::Variant;
using Args = std::span<Argument>;

constexpr std::int16_t kList = 0;
constexpr std::int16_t kArchive = 1;
constexpr std::int16_t kVoucher = 2;

// The list templates after the select list replacement, with the fake's default list.
const std::string kHeaderItem =
    "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N'单据头' and "
    "B.cItem =N'";
const std::string kBodyItem =
    "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据体' and "
    "B.cItem =N'";

std::string layoutLog(const std::string& key) {
  return "ColSet.getColInfo(&\"" + key + "\", 1%)\n" + "ColSet.GetSqlString(&\"info:" + key +
         "\")\n" + "ColSet.GetOrderString(&\"info:" + key + "\")\n" + "ColSet.getColSet(&\"" + key +
         "\", 1%)\n";
}

const std::string kVoucherLookupLog = revisionText(
    "VoDb.OpenX(&\"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = "
    "N'V01'\", &False, &\"\")\n");

void expectSuccess(const RefSqlOutcome& outcome, const std::string& sql,
                   const std::string& columnSet) {
  EXPECT_EQ(outcome.text(), "true | " + revisionText(sql) + " | " + columnSet + " | \"\"");
}

void expectRefused(const RefSqlOutcome& outcome) { EXPECT_EQ(outcome.text(), refusedReference()); }

struct ListCase {
  const char* name;
  std::int16_t section;
  const char16_t* table;
  const char* match;
  std::string sql;
};

TEST(GetRefSQLListSourceTest, BuildsTheItemQueryFromTheUserDefineLayout) {
  const std::string item3 = kHeaderItem + "自定义项3' and B.cID = A.cID";
  const ListCase cases[] = {
      {"cdefine3", 0, u"", "ab", item3 + " and (cValue like N'%ab%' or cAlias like N'%ab%')"},
      {"cdefine22", 0, u"", "", kBodyItem + "自定义项1' and B.cID = A.cID"},
      // The section comes from the name; a match text of blanks adds no condition.
      {"  CDEFINE5  ", 1, u"", "   ", kHeaderItem + "自定义项5' and B.cID = A.cID"},
      // The table is UserDefine whatever the caller named: row authorisation is not asked.
      {"cdefine3", 0, u"customer", " ab ",
       item3 + " and (cValue like N'%ab%' or cAlias like N'%ab%')"},
      {"cdefine3", 0, u"", "O'Brien",
       item3 + " and (cValue like N'%O''Brien%' or cAlias like N'%O''Brien%')"},
      {"cdefine3", 0, u"", "5%_x", item3 + " and (cValue like N'%5%_x%' or cAlias like N'%5%_x%')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.match);
    FakeWorld world;
    world.rowAuth->answer(u"GetAuthString", Variant(u"1=2"));
    answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"值", u"别名"}));
    auto component = world.makeReadyComponent();

    const auto outcome = callGetRefSQL(
        *component, {kList, c.section, utf16(c.name), c.table, u"cName", u"", utf16(c.match)});

    expectSuccess(outcome, c.sql, "值,别名");
    EXPECT_EQ(world.log.text(), layoutLog("UserDefineRef"));
    EXPECT_EQ(world.recordSets.closed(), 1);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

struct NameCase {
  const char16_t* name;
  std::string sql;  // empty: refused
};

TEST(GetRefSQLListSourceTest, FieldNameSelectsTheItem) {
  const auto item = [](const std::string& templ, const std::string& caption) {
    return templ + caption + "' and B.cID = A.cID";
  };
  const NameCase cases[] = {
      {u"cdefine1", item(kHeaderItem, "自定义项1")},
      {u"cdefine9", item(kHeaderItem, "自定义项9")},
      {u"cdefine10", item(kHeaderItem, "自定义项10")},
      {u"cdefine16", item(kHeaderItem, "自定义项16")},
      {u"cdefine17", ""},
      {u"cdefine21", ""},
      {u"cdefine22", item(kBodyItem, "自定义项1")},
      {u"cdefine37", item(kBodyItem, "自定义项16")},
      {u"cdefine38", ""},
      {u"cdefine100", ""},
      {u" CDefine7 ", item(kHeaderItem, "自定义项7")},
      // The suffix does not convert: a failure, which the handler turns into false.
      {u"cdefineAB", ""},
      {u"cdefin", ""},
      {u"abc", ""},
      {u"", ""},
      // An eight-character name keeps its last character; an apostrophe there is doubled.
      {u"cdefine'", item(kHeaderItem, "自定义项''")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.name));
    FakeWorld world;
    auto component = world.makeReadyComponent();

    const auto outcome = callGetRefSQL(*component, {kList, 0, c.name, u"", u"", u"", u""});

    if (c.sql.empty()) {
      expectRefused(outcome);
      EXPECT_EQ(world.log.text(), "");
    } else {
      expectSuccess(outcome, c.sql, "");
    }
  }
}

struct SelectorCase {
  std::int16_t source;
  std::int16_t section;
};

TEST(GetRefSQLTest, SelectorsOutOfRangeRefuseBeforeAnyCall) {
  const SelectorCase cases[] = {{-1, 0},       {3, 0},        {kList, -1},   {kList, 2},
                                {kArchive, 2}, {kVoucher, 2}, {kVoucher, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.source) + "/" + std::to_string(c.section));
    FakeWorld world;
    answerRows(world, *world.voucherData, u"OpenX", voucherRow(u"po_main", Variant::null()));
    auto component = world.makeReadyComponent();

    expectRefused(callGetRefSQL(
        *component, {c.source, c.section, u"cdefine5", u"customer", u"cCusName", u"V01", u""}));
    EXPECT_EQ(world.log.text(), "");
  }
}

struct ArchiveCase {
  const char16_t* table;
  const char16_t* field;
  const char16_t* match;
  Variant authAnswer;
  std::string sql;  // empty: refused
  std::string log;
};

TEST(GetRefSQLArchiveSourceTest, BuildsTheQueryOverTheJoinAndFilter) {
  const std::string personJoin =
      "person left join department on person.cDepCode = department.cDepCode";
  const auto personLog = [&](const std::string& table) {
    return "RowAuth.GetAuthString(&\"" + table + "\")\n" + layoutLog(table + "Ref") +
           "Util.GetJoinTableStr(&\"" + table + "\")\n";
  };
  const ArchiveCase cases[] = {
      {u"person", u"cPersonName", u"ab", Variant(u""),
       "Select code, name from " + personJoin + " where 1=1 and person.cPersonName like N'%ab%'",
       personLog("person")},
      {u"Person", u"cPersonName", u"ab", Variant(u""),
       "Select code, name from " + personJoin + " where 1=1 and person.cPersonName like N'%ab%'",
       personLog("Person")},
      {u"department", u"cDepName", u"ab", Variant(u"'D01','D02'"),
       "Select code, name from department where cDepCode in ('D01','D02') and cDepName like "
       "N'%ab%'",
       "RowAuth.GetAuthString(&\"department\")\n" + layoutLog("departmentRef") +
           "Util.GetJoinTableStr(&\"department\")\n"},
      {u"customer", u"cCusName", u"a'b", Variant(u"select iid from auth"),
       "Select code, name from customer where iid in (select iid from auth) and cCusName like "
       "N'%a''b%'",
       "RowAuth.GetAuthString(&\"customer\")\n" + layoutLog("customerRef") +
           "Util.GetJoinTableStr(&\"customer\")\n"},
      {u"unit", u"cUnitName", u"", Variant(u"1=2"), "Select code, name from unit where 1=1",
       layoutLog("unitRef") + "Util.GetJoinTableStr(&\"unit\")\n"},
      {u"customer", u"cCusName", u"ab", Variant(u"1=2"), "",
       "RowAuth.GetAuthString(&\"customer\")\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.table) + " " + c.authAnswer.describe());
    FakeWorld world;
    world.rowAuth->answer(u"GetAuthString", c.authAnswer);
    world.util->answer(u"GetJoinTableStr", [&](Args args) {
      const auto table = args[0].value().toString();
      return Variant(table == u"person" || table == u"Person" ? utf16(personJoin) : table);
    });
    world.columnSettings->answer(u"GetSqlString", Variant(u" code, name "));
    // An order text is offered but no reference query is ordered.
    world.columnSettings->answer(u"GetOrderString", Variant(u"code"));
    answerRows(world, *world.columnSettings, u"getColSet", captionRows({u"编码", u"名称"}));
    auto component = world.makeReadyComponent();

    // The field name is not examined for the archive source.
    const auto outcome =
        callGetRefSQL(*component, {kArchive, 1, u"abc", c.table, c.field, u"", c.match});

    if (c.sql.empty()) {
      expectRefused(outcome);
    } else {
      expectSuccess(outcome, c.sql, "编码,名称");
    }
    EXPECT_EQ(world.log.text(), c.log);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

const std::string kPoFields = "select cPOID, cVenCode, dPODate from po_main";

void scriptVoucher(FakeWorld& world, Variant table, Variant condition) {
  answerRows(world, *world.voucherData, u"OpenX",
             voucherRow(std::move(table), std::move(condition)));
  answerRows(world, *world.voucherData, u"GetFieldNames",
             fieldRows({{u"cPOID", u"订单号"}, {u"cVenCode", u"供应商"}, {u"dPODate", u"日期"}}));
}

struct VoucherCase {
  Variant condition;
  const char16_t* match;
  std::string sql;
};

TEST(GetRefSQLVoucherSourceTest, BuildsTheQueryFromTheFieldList) {
  const VoucherCase cases[] = {
      {Variant::null(), u"", kPoFields},
      {Variant(u"WHERE bFlag=1"), u"", kPoFields + " where bFlag=1"},
      {Variant::null(), u"ab", kPoFields + " where cPOID like N'%ab%'"},
      {Variant(u"bFlag=1 or bFlag=2"), u" ab",
       kPoFields + " where bFlag=1 or bFlag=2 and cPOID like N'%ab%'"},
      {Variant(u""), u"O'Hara", kPoFields + " where cPOID like N'%O''Hara%'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.condition.describe() + " / " + utf8(c.match));
    FakeWorld world;
    scriptVoucher(world, u"po_main", c.condition);
    auto component = world.makeReadyComponent();

    const auto outcome =
        callGetRefSQL(*component, {kVoucher, 0, u"abc", u"customer", u"cPOID", u"V01", c.match});

    expectSuccess(outcome, c.sql, "订单号,供应商,日期");
    EXPECT_EQ(world.log.text(),
              kVoucherLookupLog + "VoDb.GetFieldNames(&\"po_main\", &False, &\"\")\n");
    EXPECT_EQ(world.recordSets.closed(), 2);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

struct VoucherAuthCase {
  Variant answer;
  bool result;
  std::string log;
};

TEST(GetRefSQLVoucherSourceTest, ArchiveTypeTableAsksRowAuthorisation) {
  const std::string asked = kVoucherLookupLog + "RowAuth.GetAuthString(&\"Customer\")\n";
  const std::string fields = "VoDb.GetFieldNames(&\"Customer\", &False, &\"\")\n";
  const VoucherAuthCase cases[] = {
      {Variant(u""), true, asked + fields},
      // The filter itself goes into no SQL.
      {Variant(u"select iid from t"), true, asked + fields},
      {Variant(u"1=2"), false, asked},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.describe());
    FakeWorld world;
    scriptVoucher(world, u"Customer", Variant::null());
    world.rowAuth->answer(u"GetAuthString", c.answer);
    auto component = world.makeReadyComponent();

    const auto outcome = callGetRefSQL(*component, {kVoucher, 1, u"", u"", u"cPOID", u"V01", u""});

    if (c.result) {
      expectSuccess(outcome, "select cPOID, cVenCode, dPODate from Customer", "订单号,供应商,日期");
    } else {
      expectRefused(outcome);
    }
    EXPECT_EQ(world.log.text(), c.log);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

TEST(GetRefSQLVoucherSourceTest, FieldNamesReceiveTheVariablesOpenXLeft) {
  FakeWorld world;
  scriptVoucher(world, u"po_main", Variant::null());
  world.voucherData->answer(u"OpenX", [&](Args args) {
    args[1].value() = Variant(true);
    args[2].value() = Variant(u"note");
    return Variant(world.recordSets.make(voucherRow(u"po_main", Variant::null())));
  });
  auto component = world.makeReadyComponent();

  EXPECT_TRUE(callGetRefSQL(*component, {kVoucher, 0, u"", u"", u"cPOID", u"V01", u""}).result);
  EXPECT_EQ(world.log.text(),
            kVoucherLookupLog + "VoDb.GetFieldNames(&\"po_main\", &True, &\"note\")\n");
}

TEST(GetRefSQLVoucherSourceTest, RefusesWithoutVoucherRowOrFields) {
  for (const bool voucherFound : {false, true}) {
    SCOPED_TRACE(voucherFound ? "no fields" : "no Vouchers row");
    FakeWorld world;
    if (voucherFound) {
      answerRows(world, *world.voucherData, u"OpenX", voucherRow(u"po_main", Variant::null()));
    }
    auto component = world.makeReadyComponent();

    expectRefused(callGetRefSQL(*component, {kVoucher, 0, u"", u"", u"cPOID", u"V01", u""}));
    EXPECT_EQ(world.log.text(),
              voucherFound ? kVoucherLookupLog + "VoDb.GetFieldNames(&\"po_main\", &False, &\"\")\n"
                           : kVoucherLookupLog);
    EXPECT_EQ(world.recordSets.closed(), world.recordSets.created());
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

struct JoinCase {
  std::vector<Variant> values;
  const char* text;
};

TEST(GetRefSQLColumnSetTest, JoinsCaptionsAndFieldDefinitionsAlike) {
  const JoinCase cases[] = {
      {{u"A", u"", u"C"}, "A,,C"},
      {{u"", u"B"}, "B"},
      {{u"A", Variant::null(), u"C"}, "A,,C"},
      {{u"A"}, "A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    FakeWorld world;
    answerRows(world, *world.columnSettings, u"getColSet", captionRows(c.values));
    answerRows(world, *world.voucherData, u"OpenX", voucherRow(u"po_main", Variant::null()));
    Rows fields{{u"FieldName", u"fielddef"}, {}};
    for (const auto& value : c.values) fields.values.push_back({u"f", value});
    answerRows(world, *world.voucherData, u"GetFieldNames", fields);
    auto component = world.makeReadyComponent();

    const auto list = callGetRefSQL(*component, {kList, 0, u"cdefine1", u"", u"", u"", u""});
    const auto voucher = callGetRefSQL(*component, {kVoucher, 0, u"", u"", u"f", u"V01", u""});

    EXPECT_TRUE(list.result);
    EXPECT_EQ(utf8(list.outputs.sRefColSet), c.text);
    EXPECT_TRUE(voucher.result);
    EXPECT_EQ(utf8(voucher.outputs.sRefColSet), c.text);
  }
}

struct HandlerCase {
  const char* name;
  std::function<void(FakeWorld&)> arrange;
  RefSqlArgs args;
  int releasedWithoutClose;
};

TEST(GetRefSQLTest, FailuresOnTheWayEndInFalseThroughTheHandler) {
  const RefSqlArgs voucher{kVoucher, 0, u"", u"", u"cPOID", u"V01", u""};
  const RefSqlArgs list{kList, 0, u"cdefine3", u"", u"", u"", u""};
  const HandlerCase cases[] = {
      {"BTTblName Null", [](FakeWorld& w) { scriptVoucher(w, Variant::null(), Variant::null()); },
       voucher, 1},
      {"OpenX takes one argument only",
       [](FakeWorld& w) {
         w.voucherData->on(u"OpenX", 1, [&w](Args) {
           return Variant(w.recordSets.make(voucherRow(u"po_main", Variant::null())));
         });
       },
       voucher, 0},
      {"first fielddef Null",
       [](FakeWorld& w) {
         scriptVoucher(w, u"po_main", Variant::null());
         answerRows(w, *w.voucherData, u"GetFieldNames", fieldRows({{u"a", Variant::null()}}));
       },
       voucher, 1},
      {"FieldName Null",
       [](FakeWorld& w) {
         scriptVoucher(w, u"po_main", Variant::null());
         answerRows(w, *w.voucherData, u"GetFieldNames", fieldRows({{Variant::null(), u"A"}}));
       },
       voucher, 1},
      {"first caption Null",
       [](FakeWorld& w) {
         answerRows(w, *w.columnSettings, u"getColSet", captionRows({Variant::null(), u"B"}));
       },
       list, 1},
      {"getColSet gives Nothing",
       [](FakeWorld& w) {
         w.columnSettings->answer(u"getColSet", Variant(automation::ObjectRef()));
       },
       list, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    c.arrange(world);
    auto component = world.makeReadyComponent();

    expectRefused(callGetRefSQL(*component, c.args));
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), c.releasedWithoutClose);
    EXPECT_EQ(world.recordSets.alive(), 0);
  }
}

struct SweepCase {
  const char* name;
  std::function<void(FakeWorld&)> arrange;
  RefSqlArgs args;
  std::size_t calls;
  // From this call on, a record set was closed on the normal path before the fault (0: none).
  std::size_t oneSetClosedFrom;
};

TEST(GetRefSQLFaultSweepTest, AFaultAtAnyCallLeavesTheOutputsAndClosesNothing) {
  const SweepCase cases[] = {
      {"list",
       [](FakeWorld& w) { answerRows(w, *w.columnSettings, u"getColSet", captionRows({u"值"})); },
       {kList, 0, u"cdefine3", u"", u"", u"", u"ab"},
       4,
       0},
      {"archive",
       [](FakeWorld& w) { answerRows(w, *w.columnSettings, u"getColSet", captionRows({u"姓名"})); },
       {kArchive, 0, u"", u"person", u"cPersonName", u"", u"ab"},
       6,
       0},
      {"voucher",
       [](FakeWorld& w) { scriptVoucher(w, u"Customer", Variant(u"bFlag=1")); },
       {kVoucher, 0, u"", u"", u"cPOID", u"V01", u"ab"},
       3,
       2},
  };
  for (const auto& c : cases) {
    {
      SCOPED_TRACE(std::string(c.name) + " without a fault");
      FakeWorld world;
      c.arrange(world);
      auto component = world.makeReadyComponent();
      EXPECT_TRUE(callGetRefSQL(*component, c.args).result);
      EXPECT_EQ(world.log.size(), c.calls);
    }
    for (std::size_t call = 1; call <= c.calls; ++call) {
      for (const Fault fault : {Fault::kRaise, Fault::kNull, Fault::kWrongKind}) {
        SCOPED_TRACE(std::string(c.name) + " call " + std::to_string(call) + " fault " +
                     std::to_string(static_cast<int>(fault)));
        FakeWorld world;
        c.arrange(world);
        auto component = world.makeReadyComponent();
        world.log.injectAt(call, fault);

        expectRefused(callGetRefSQL(*component, c.args));
        EXPECT_EQ(world.log.size(), call);
        const bool closedBefore = c.oneSetClosedFrom != 0 && call >= c.oneSetClosedFrom;
        EXPECT_EQ(world.recordSets.closed(), closedBefore ? 1 : 0);
        EXPECT_EQ(world.recordSets.alive(), 0);
      }
    }
  }
}

}  // namespace
}  // namespace tarn::testing
