// The column-settings service over the demo database: layouts read back through the column
// information text, column sets, and the demo layouts running against their FROM texts. Runs on
// PostgreSQL too when TARN_TEST_POSTGRES is set.
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

using automation::AutomationError;
using Rows = std::vector<std::vector<std::string>>;

using ColumnSettingsTest = ErpDatabaseTest;

struct LayoutCase {
  std::u16string key;
  std::string selectList;
  std::string orderList;
  Rows columnSet;  // cCaption, cField, iWidth
};

const std::vector<LayoutCase>& layoutCases() {
  static const std::vector<LayoutCase> cases = {
      {u"UserDefineRef",
       "A.cValue, A.cAlias",
       "A.cValue",
       {{"档案值", "A.cValue", "2000"}, {"别名", "A.cAlias", "1500"}}},
      {u"UserDefFreeRef",
       "A.cValue, A.cAlias, A.cBarCode",
       "A.cValue",
       {{"自由项值", "A.cValue", "2000"},
        {"别名", "A.cAlias", "1500"},
        {"条形码", "A.cBarCode", "2200"}}},
      {u"PersonRef",
       "person.cPersonCode, person.cPersonName, department.cDepName",
       "department.cDepName desc, person.cPersonCode",
       {{"人员编码", "person.cPersonCode", "1200"},
        {"姓名", "person.cPersonName", "1500"},
        {"部门", "department.cDepName", "2000"}}},
      {u"customerRef",
       "customer.cCusCode, customer.cCusName, customer.iCreditLine",
       "customer.cCusCode",
       {{"客户编码", "customer.cCusCode", "1200"},
        {"客户名称", "customer.cCusName", "3000"},
        {"信用额度", "customer.iCreditLine", "1500"}}},
      {u"unitRef", "", "", {}},
  };
  return cases;
}

TEST_F(ColumnSettingsTest, LayoutsReadBackThroughTheColumnInformation) {
  for (const auto* progId : {u"TarnColumnSvc.IColumnSvc", u"TarnColSetSvc.IColumnSvc"}) {
    const auto service = create(progId);
    Variant connectionString(connection());
    Variant userId(u"demo");
    callByRef(service, u"Init", {&connectionString, &userId});
    for (const auto& c : layoutCases()) {
      SCOPED_TRACE(automation::toUtf8(progId) + ": " + automation::toUtf8(c.key));
      Variant key(c.key);
      std::vector<Argument> keyAndSelector{Argument::byRef(key),
                                           Argument::byValue(Variant(std::int16_t{1}))};
      Variant info(service->call(u"getColInfo", keyAndSelector).toString());
      EXPECT_EQ(automation::toUtf8(callByRef(service, u"GetSqlString", {&info}).toString()),
                c.selectList);
      EXPECT_EQ(automation::toUtf8(callByRef(service, u"GetOrderString", {&info}).toString()),
                c.orderList);
      const auto columnSet = service->call(u"getColSet", keyAndSelector).toObject();
      EXPECT_EQ(readRows(columnSet, {u"cCaption", u"cField", u"iWidth"}), c.columnSet);
    }
  }
}

TEST_F(ColumnSettingsTest, TheColumnInformationCarriesItsLayoutAlone) {
  const auto service = create(u"TarnColumnSvc.IColumnSvc");
  call(service, u"Init", {Variant(connection()), Variant(u"demo")});
  const auto info = call(service, u"getColInfo", {Variant(u"personRef"), Variant(std::int16_t{1})});
  EXPECT_EQ(automation::toUtf8(info.toString()),
            "<columns key=\"personRef\">"
            "<column expression=\"person.cPersonCode\" caption=\"人员编码\" width=\"1200\" "
            "orderNo=\"2\" descending=\"0\"/>"
            "<column expression=\"person.cPersonName\" caption=\"姓名\" width=\"1500\" "
            "orderNo=\"0\" descending=\"0\"/>"
            "<column expression=\"department.cDepName\" caption=\"部门\" width=\"2000\" "
            "orderNo=\"1\" descending=\"1\"/>"
            "</columns>");

  // Read by a service that never opened a database, after the layout itself has gone.
  queryDatabase(connection(), u"delete from TarnColumnLayout");
  const auto reader = create(u"TarnColumnSvc.IColumnSvc");
  EXPECT_EQ(automation::toUtf8(call(reader, u"GetSqlString", {info}).toString()),
            "person.cPersonCode, person.cPersonName, department.cDepName");
  EXPECT_THROW(call(reader, u"GetSqlString", {Variant(u"A.cValue, A.cAlias")}), AutomationError);
}

TEST_F(ColumnSettingsTest, ExpressionsWithMarkupCharactersSurviveTheRoundTrip) {
  queryDatabase(connection(),
                u"insert into TarnColumnLayout (cLayoutKey, iColumnNo, cExpression, cCaption,"
                u" iWidth, iOrderNo) values ('oddRef', 1, ?, ?, 800, 1)",
                {Variant(u"case when a < 1 and b > 2\r\n\tthen '\"x\" & y' end"), Variant(u"奇")});
  const auto service = create(u"TarnColumnSvc.IColumnSvc");
  call(service, u"Init", {Variant(connection()), Variant(u"demo")});
  const auto info = call(service, u"getColInfo", {Variant(u"oddRef"), Variant(std::int16_t{1})});
  EXPECT_EQ(automation::toUtf8(call(service, u"GetSqlString", {info}).toString()),
            "case when a < 1 and b > 2\r\n\tthen '\"x\" & y' end");
}

TEST_F(ColumnSettingsTest, LayoutOperationsNeedInit) {
  const auto service = create(u"TarnColumnSvc.IColumnSvc");
  EXPECT_THROW(call(service, u"getColInfo", {Variant(u"customerRef"), Variant(std::int16_t{1})}),
               AutomationError);
  EXPECT_THROW(call(service, u"Init",
                    {Variant(sqliteConnectionString(folder_ / "missing.db")), Variant(u"demo")}),
               AutomationError);
}

// Every archive layout of the demo database selects from the FROM text its pick-list query
// uses: the utility service's join text for the table.
TEST_F(ColumnSettingsTest, EveryDemoArchiveLayoutRunsAgainstItsJoinText) {
  const auto columns = create(u"TarnColumnSvc.IColumnSvc");
  call(columns, u"Init", {Variant(connection()), Variant(u"demo")});
  const auto utility = create(u"TarnUtil.IUtil");
  call(utility, u"Init", {Variant(connection())});
  const auto data = create(u"TarnDataSvc.IDataSvc");
  call(data, u"Init", {Variant(connection())});
  for (const auto* table : {u"customer", u"vendor", u"inventory", u"department", u"code",
                            u"position", u"warehouse", u"person"}) {
    SCOPED_TRACE(automation::toUtf8(table));
    const auto key = std::u16string(table) + u"Ref";
    const auto info = call(columns, u"getColInfo", {Variant(key), Variant(std::int16_t{1})});
    const auto selectList = call(columns, u"GetSqlString", {info}).toString();
    const auto orderList = call(columns, u"GetOrderString", {info}).toString();
    ASSERT_FALSE(selectList.empty());
    const auto join = call(utility, u"GetJoinTableStr", {Variant(table)}).toString();
    const auto sql =
        u"Select " + selectList + u" from " + join + u" where 1=1 order by " + orderList;
    const auto rows = call(data, u"OpenX", {Variant(sql)}).toObject();
    EXPECT_FALSE(call(rows, u"EOF").toBoolean());
  }
  for (const auto* key : {u"UserDefineRef", u"UserDefFreeRef"}) {
    SCOPED_TRACE(automation::toUtf8(key));
    const auto info = call(columns, u"getColInfo", {Variant(key), Variant(std::int16_t{1})});
    const auto sql = u"Select " + call(columns, u"GetSqlString", {info}).toString() +
                     u" from UserDefine A, UserDef B where B.cID = A.cID";
    EXPECT_FALSE(call(call(data, u"OpenX", {Variant(sql)}).toObject(), u"EOF").toBoolean());
  }
}

}  // namespace
}  // namespace tarn::erp::testing
