// The service tables on the database the test kit makes (SQLite; PostgreSQL when
// TARN_TEST_POSTGRES is set): the default layouts the column-settings service gives keys with no
// stored columns, adopting an ERP database that has no service tables, and upgrading the
// service tables of versions 1 (no TarnSchemaVersion, no default layouts) and 2 (no
// TarnRecentValue), and the recently chosen values kept per person and item.
#include <string>
#include <vector>

#include "erp_test_support.h"
#include "tarnvelloc/erp/held_connection.h"
#include "tarnvelloc/erp/service_tables.h"
#include "tests/kit/expect_failure.h"

namespace tarn::erp::testing {
namespace {

using automation::ErrorCode;
using Rows = std::vector<std::vector<std::string>>;

const std::vector<std::u16string> kServiceTables = {
    u"TarnColumnLayout", u"TarnRowAuth",      u"TarnRowAuthKey",  u"TarnJoinTable",
    u"TarnResString",    u"TarnVoucherField", u"TarnRecentValue", u"TarnSchemaVersion"};

class ServiceTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { registerComponents(registry_); }

  std::u16string connection() const { return demo_.connectionString(); }
  ObjectRef create(std::u16string_view progId) const { return registry_.create(progId); }
  Rows query(std::u16string_view sql) const { return queryDatabase(connection(), sql); }

  // The demo company as an ERP database that never had service tables.
  void dropServiceTables() const {
    for (auto table = kServiceTables.rbegin(); table != kServiceTables.rend(); ++table) {
      query(u"drop table " + *table);
    }
  }

  Rows erpRowCounts() const {
    return query(
        u"select (select count(*) from Vouchers), (select count(*) from UserDef),"
        u" (select count(*) from UserDefine), (select count(*) from customer)");
  }

  Rows layoutRows() const {
    return query(
        u"select cLayoutKey, iColumnNo, cExpression, cCaption, iWidth, iOrderNo, bDescending"
        u" from TarnColumnLayout where cLayoutKey like 'UserDef%' order by cLayoutKey, iColumnNo");
  }

  const ::tarn::testing::TemporaryDemoDatabase demo_{"tarn-service"};
  automation::ComponentRegistry registry_;
};

const Rows kDefaultLayoutRows = {
    {"UserDefFreeRef", "1", "A.cValue", "自由项值", "2000", "1", "0"},
    {"UserDefFreeRef", "2", "A.cAlias", "别名", "1500", "<null>", "0"},
    {"UserDefFreeRef", "3", "A.cBarCode", "条形码", "2200", "<null>", "0"},
    {"UserDefineRef", "1", "A.cValue", "档案值", "2000", "1", "0"},
    {"UserDefineRef", "2", "A.cAlias", "别名", "1500", "<null>", "0"},
};
const Rows kDemoErpRowCounts = {{"4", "12", "17", "4"}};

struct DefaultCase {
  std::u16string key;
  bool fromCatalogue;  // names as the catalogue reports them: lower case on PostgreSQL
  std::string selectList;
  std::string orderList;
  std::vector<std::string> captions;
};

// With no stored layout at all, every pick-list still has a select list that runs against the
// FROM text its query uses.
TEST_F(ServiceTablesTest, KeysWithoutStoredColumnsHaveTheirDefaultLayouts) {
  query(u"delete from TarnColumnLayout");
  const DefaultCase cases[] = {
      {u"UserDefineRef", false, "A.cValue, A.cAlias", "A.cValue", {"档案值", "别名"}},
      {u"userdeffreeref ",
       false,
       "A.cValue, A.cAlias, A.cBarCode",
       "A.cValue",
       {"自由项值", "别名", "条形码"}},
      {u"customerRef",
       true,
       "customer.iid, customer.cCusCode, customer.cCusName",
       "customer.iid",
       {"iid", "cCusCode", "cCusName"}},
      {u"departmentREF",
       true,
       "department.cDepCode, department.cDepName",
       "department.cDepCode",
       {"cDepCode", "cDepName"}},
      {u"PersonRef",
       true,
       "person.cPersonCode, person.cPersonName, person.cDepCode",
       "person.cPersonCode",
       {"cPersonCode", "cPersonName", "cDepCode"}},
      {u"nosuchRef", false, "", "", {}},
      {u"Ref", false, "", "", {}},
      {u"customer", false, "", "", {}},
  };
  const auto columns = create(u"TarnColumnSvc.IColumnSvc");
  call(columns, u"Init", {Variant(connection()), Variant(u"demo")});
  const auto data = create(u"TarnDataSvc.IDataSvc");
  call(data, u"Init", {Variant(connection())});
  const bool lower = demo_.onPostgres();
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.key));
    const auto named = [&](const std::string& text) {
      return c.fromCatalogue && lower ? automation::toUtf8(automation::asciiLower(u16(text)))
                                      : text;
    };
    const auto info = call(columns, u"getColInfo", {Variant(c.key), Variant(std::int16_t{1})});
    const auto selectList = call(columns, u"GetSqlString", {info}).toString();
    EXPECT_EQ(automation::toUtf8(selectList), named(c.selectList));
    EXPECT_EQ(automation::toUtf8(call(columns, u"GetOrderString", {info}).toString()),
              named(c.orderList));
    std::vector<std::string> captions;
    for (const auto& row : readRows(
             call(columns, u"getColSet", {Variant(c.key), Variant(1)}).toObject(), {u"cCaption"})) {
      captions.push_back(row[0]);
    }
    std::vector<std::string> expected;
    for (const auto& caption : c.captions) expected.push_back(named(caption));
    EXPECT_EQ(captions, expected);
    if (!c.fromCatalogue) continue;
    const auto table = c.key.substr(0, c.key.size() - 3);
    const auto rows =
        call(data, u"OpenX", {Variant(u"Select " + selectList + u" from " + table)}).toObject();
    EXPECT_FALSE(call(rows, u"EOF").toBoolean());
  }
}

TEST_F(ServiceTablesTest, AnErpDatabaseIsAdoptedWithoutTouchingItsTables) {
  dropServiceTables();
  EXPECT_EQ(serviceTablesVersion(connection()), 0);
  ::tarn::testing::expectFailure(
      [&] { upgradeServiceTables(connection()); }, ErrorCode::kComponentFailure,
      "Component failure: the database has no service tables: velloc init --service-tables adds "
      "them");

  EXPECT_EQ(addServiceTables(connection()), (ServiceTablesChange{0, 3, kServiceTables}));
  EXPECT_EQ(erpRowCounts(), kDemoErpRowCounts);
  EXPECT_EQ(layoutRows(), kDefaultLayoutRows);
  EXPECT_EQ(query(u"select iRow, iVersion from TarnSchemaVersion"), (Rows{{"1", "3"}}));
  EXPECT_EQ(query(u"select count(*) from TarnRowAuth"), (Rows{{"0"}}));

  // At the current version: nothing more to add, nothing to upgrade.
  EXPECT_EQ(addServiceTables(connection()), (ServiceTablesChange{3, 3, {}}));
  EXPECT_EQ(upgradeServiceTables(connection()), (ServiceTablesChange{3, 3, {}}));
  query(u"drop table TarnResString");
  EXPECT_EQ(addServiceTables(connection()), (ServiceTablesChange{3, 3, {u"TarnResString"}}));
  EXPECT_EQ(layoutRows(), kDefaultLayoutRows);
}

TEST_F(ServiceTablesTest, VersionOneIsUpgradedKeepingItsRows) {
  // The demo database of version 1: its layouts stored, one of them edited.
  query(u"drop table TarnSchemaVersion");
  query(
      u"update TarnColumnLayout set cCaption = '值' where cLayoutKey = 'UserDefineRef'"
      u" and iColumnNo = 1");
  EXPECT_EQ(serviceTablesVersion(connection()), 1);
  ::tarn::testing::expectFailure(
      [&] { addServiceTables(connection()); }, ErrorCode::kComponentFailure,
      "Component failure: the service tables are version 1: velloc upgrade brings them to "
      "version 3");

  EXPECT_EQ(upgradeServiceTables(connection()),
            (ServiceTablesChange{1, 3, {u"TarnSchemaVersion"}}));
  EXPECT_EQ(query(u"select cCaption from TarnColumnLayout where cLayoutKey = 'UserDefineRef'"
                  u" order by iColumnNo"),
            (Rows{{"值"}, {"别名"}}));
  EXPECT_EQ(query(u"select count(*) from TarnColumnLayout"), (Rows{{"24"}}));
  EXPECT_EQ(erpRowCounts(), kDemoErpRowCounts);
  EXPECT_EQ(serviceTablesVersion(connection()), 3);

  // An empty database of version 1 (made by init before the defaults) gets them.
  query(u"drop table TarnSchemaVersion");
  query(u"delete from TarnColumnLayout");
  EXPECT_EQ(upgradeServiceTables(connection()),
            (ServiceTablesChange{1, 3, {u"TarnSchemaVersion"}}));
  EXPECT_EQ(layoutRows(), kDefaultLayoutRows);
}

TEST_F(ServiceTablesTest, VersionTwoGainsTheRecentValuesAndThePickListIndexes) {
  query(u"drop table TarnRecentValue");
  query(u"update TarnSchemaVersion set iVersion = 2");
  if (demo_.onPostgres()) query(u"drop index userdefine_cvalue_trgm");
  ::tarn::testing::expectFailure(
      [&] { addServiceTables(connection()); }, ErrorCode::kComponentFailure,
      "Component failure: the service tables are version 2: velloc upgrade brings them to "
      "version 3");

  EXPECT_EQ(upgradeServiceTables(connection()), (ServiceTablesChange{2, 3, {u"TarnRecentValue"}}));
  EXPECT_EQ(serviceTablesVersion(connection()), 3);
  EXPECT_EQ(erpRowCounts(), kDemoErpRowCounts);
  if (demo_.onPostgres()) {
    EXPECT_EQ(query(u"select count(*) from pg_indexes where indexname like '%\\_trgm'"),
              (Rows{{"22"}}));
  }
}

TEST_F(ServiceTablesTest, RecentValuesKeepTheLatestFewOfEachPersonAndItem) {
  HeldConnection held(connection());
  constexpr std::u16string_view kRegion = u"list/header/cdefine3";
  const struct {
    std::string_view person;
    std::u16string_view item, value;
  } recorded[] = {
      {"wang", kRegion, u"华东区"},    {"wang", kRegion, u"华南区"}, {"wang", kRegion, u"Export"},
      {"wang", kRegion, u"华东区"},  // moves up instead of repeating
      {"wang", kRegion, u"西北区"},  // the fourth: the oldest (华南区) goes
      {"wang", kRegion, u"export"},  // the same value under the ERP's rule, as spelt last
      {"Wang", kRegion, u"华中"},    // another person: names are told apart exactly
      {"wang", u"free/cfree1", u"红"},
  };
  for (const auto& r : recorded) recordRecentValue(held, r.person, r.item, r.value, 3);

  const struct {
    std::string_view person;
    std::u16string_view item;
    int most;
    std::vector<std::u16string> values;
  } cases[] = {
      {"wang", kRegion, 10, {u"export", u"西北区", u"华东区"}},
      {"wang", kRegion, 2, {u"export", u"西北区"}},
      {"Wang", kRegion, 10, {u"华中"}},
      {"wang", u"free/cfree1", 10, {u"红"}},
      {"WANG", kRegion, 10, {}},
      {"wang", u"list/body/cdefine3", 10, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(recentValues(held, c.person, c.item, c.most), c.values)
        << c.person << " " << automation::toUtf8(c.item) << " " << c.most;
  }
  EXPECT_EQ(query(u"select count(*) from TarnRecentValue"), (Rows{{"5"}}));
  EXPECT_EQ(query(u"select cPerson from TarnRecentValue where cValue = '华中'"),
            (Rows{{"57616e67"}}));
}

TEST_F(ServiceTablesTest, ANewerOrUnfitDatabaseIsRefusedAndLeftAsItWas) {
  query(u"update TarnSchemaVersion set iVersion = 4");
  const std::string newer =
      "Component failure: the service tables are version 4, newer than this program's version "
      "3: use a newer velloc";
  ::tarn::testing::expectFailure([&] { addServiceTables(connection()); },
                                 ErrorCode::kComponentFailure, newer);
  ::tarn::testing::expectFailure([&] { upgradeServiceTables(connection()); },
                                 ErrorCode::kComponentFailure, newer);

  // A layout table of another shape fails the upgrade at its last statements: the tables
  // created before them are gone again.
  dropServiceTables();
  query(u"create table TarnColumnLayout (x int)");
  EXPECT_THROW(upgradeServiceTables(connection()), automation::AutomationError);
  EXPECT_EQ(serviceTablesVersion(connection()), 1);
  EXPECT_THROW(query(u"select count(*) from TarnRowAuth"), automation::AutomationError);
  EXPECT_EQ(erpRowCounts(), kDemoErpRowCounts);

  if (demo_.onPostgres()) return;
  const auto empty = sqliteConnectionString(demo_.folder() / "empty.db");
  db::openDatabase(empty, true);
  ::tarn::testing::expectFailure(
      [&] { addServiceTables(empty); }, ErrorCode::kComponentFailure,
      "Component failure: the database holds no ERP tables: velloc init makes a new ERP "
      "database");
}

}  // namespace
}  // namespace tarn::erp::testing
