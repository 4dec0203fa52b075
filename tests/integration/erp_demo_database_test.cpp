// Creating the demo and empty databases, generating archived values in bulk, and the connection
// strings that name a database file.
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

using automation::AutomationError;
using Rows = std::vector<std::vector<std::string>>;

using DemoDatabaseTest = ErpDatabaseTest;

Rows rowCounts(const std::u16string& connectionString) {
  return queryDatabase(connectionString,
                       u"select (select count(*) from Vouchers), (select count(*) from UserDef),"
                       u" (select count(*) from UserDefine), (select count(*) from customer),"
                       u" (select count(*) from TarnColumnLayout)");
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(DemoDatabaseTest, CreatingReplacesTheFileWholeAndLeavesNothingBeside) {
  EXPECT_EQ(rowCounts(connection()), (Rows{{"4", "12", "17", "4", "24"}}));
  queryDatabase(connection(), u"delete from customer");
  createDemoDatabase(databasePath_);
  EXPECT_EQ(rowCounts(connection()), (Rows{{"4", "12", "17", "4", "24"}}));

  std::ofstream(databasePath_, std::ios::trunc) << "not a database";
  createDemoDatabase(databasePath_);
  EXPECT_EQ(rowCounts(connection()), (Rows{{"4", "12", "17", "4", "24"}}));
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"erp.db"});
}

// No ERP data; the service tables hold their defaults: the two UserDefine layouts.
TEST_F(DemoDatabaseTest, TheEmptyDatabaseHasTheSchemaAndItsDefaultsAlone) {
  createEmptyDatabase(databasePath_);
  EXPECT_EQ(rowCounts(connection()), (Rows{{"0", "0", "0", "0", "5"}}));
}

TEST_F(DemoDatabaseTest, AFailedCreationRaisesAndLeavesNoFile) {
  const auto path = folder_ / "no-such-folder" / "erp.db";
  EXPECT_THROW(createDemoDatabase(path), AutomationError);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(filesIn(folder_), std::vector<std::string>{"erp.db"});
}

TEST_F(DemoDatabaseTest, GeneratedValuesAreNumberedOnAcrossCalls) {
  addGeneratedValues(databasePath_, 1000);
  addGeneratedValues(databasePath_, 500);
  EXPECT_EQ(queryDatabase(connection(),
                          u"select count(*), count(distinct cValue), min(cValue), max(cValue)"
                          u" from UserDefine where cID = 'H09'"),
            (Rows{{"1500", "1500", "GEN0000001", "GEN0001500"}}));
  EXPECT_EQ(
      queryDatabase(connection(), u"select cAlias from UserDefine where cValue = 'GEN0001001'"),
      (Rows{{"G1001"}}));
}

TEST_F(DemoDatabaseTest, MoneyColumnsShowInTheCatalogue) {
  const auto voucher = create(u"TarnVoucherSvc.IVoucherSvc");
  call(voucher, u"Init", {Variant(connection())});
  struct Case {
    std::u16string table;
    std::u16string column;
    std::string count;
  };
  const std::vector<Case> cases = {
      {u"customer", u"iCreditLine", "1"}, {u"contracts", u"iAmount", "1"},
      {u"Inventory", u"iInvSPrice", "1"}, {u"customer", u"cCusName", "0"},
      {u"contracts", u"bFlag", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.table + u"." + c.column));
    const auto sql =
        u"select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
        u"syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = '" +
        c.table +
        u"'and syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or "
        u"systypes.name = 'smallmoney') and syscolumns.name = '" +
        c.column + u"'";
    const auto rows = call(voucher, u"OpenX", {Variant(sql)}).toObject();
    const auto fields = call(rows, u"Fields").toObject();
    EXPECT_EQ(automation::toUtf8(
                  call(call(fields, u"Item", {Variant(std::int16_t{0})}).toObject(), u"Value")
                      .toString()),
              c.count);
  }
}

// Queries of the shapes the component builds, run through the data service against the demo
// data: each answers with the rows the demo data is meant to offer.
TEST_F(DemoDatabaseTest, TheDemoDataAnswersTheComponentsQueries) {
  struct Case {
    std::string label;
    std::string sql;
    std::vector<std::u16string> fields;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"header item 3 matching 华",
       "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N'单据头' and "
       "B.cItem =N'自定义项3' and B.cID = A.cID and (cValue like N'%华%' or cAlias like N'%华%')",
       {u"cValue", u"cAlias"},
       {{"华东区", "HD"}, {"华南区", "HN"}, {"华北区", "HB"}}},
      {"free item 2",
       "Select A.cValue, A.cAlias, A.cBarCode from UserDefine A, UserDef B where B.cItem "
       "=N'自由项2' and B.cID = A.cID",
       {u"cValue", u"cAlias", u"cBarCode"},
       {{"M", "中", "6901234500103"},
        {"L", "大", "6901234500110"},
        {"XL", "特大", "6901234500127"}}},
      {"people matching 王 with their departments",
       "Select person.cPersonCode, person.cPersonName, department.cDepName from person left "
       "join department on person.cDepCode = department.cDepCode where 1=1 and "
       "person.cPersonName like N'%王%'",
       {u"cPersonCode", u"cPersonName", u"cDepName"},
       {{"003", "王强", "销售一部"}}},
      {"contracts in force",
       "select cContractCode, iAmount from contracts where bFlag=1",
       {u"cContractCode", u"iAmount"},
       {{"HT2024001", "380000"}, {"HT2024003", "96000"}}},
      {"a customer code in another case with trailing blanks",
       "select top 1 cCusName from customer where cCusCode =N'c001  '",
       {u"cCusName"},
       {{"北京华联商贸有限公司"}}},
      {"the structured flags of shirt and T-shirt",
       "select * from Inventory where cInvCode =N'01001' or cInvCode =N'01002'",
       {u"bConfigFree1", u"bConfigFree2", u"bConfigFree3"},
       {{"1", "1", "0"}, {"0", "0", "0"}}},
      {"the structured sizes of the shirt",
       "select distinct Free2 as [尺码] from bas_part where InvCode =N'01001' and Free2 like "
       "N'%L%'",
       {u"尺码"},
       {{"L"}}},
  };
  const auto data = create(u"TarnDataSvc.IDataSvc");
  call(data, u"Init", {Variant(connection())});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    // The component's queries carry no ORDER BY: rows are compared as sets.
    auto rows = readRows(call(data, u"OpenX", {Variant(u16(c.sql))}).toObject(), c.fields);
    auto expected = c.rows;
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
  }
}

TEST(SqliteConnectionStringTest, QuotesPathsThatWouldBreakTheList) {
  struct Case {
    std::string path;
    std::string connectionString;
  };
  const std::vector<Case> cases = {
      {"/data/erp.db", "Provider=SQLite;Data Source=/data/erp.db"},
      {"/data/账套 001/erp.db", "Provider=SQLite;Data Source=/data/账套 001/erp.db"},
      {"/data/a;b/erp.db", "Provider=SQLite;Data Source=\"/data/a;b/erp.db\""},
      {"/data/a=b/erp.db", "Provider=SQLite;Data Source=\"/data/a=b/erp.db\""},
      {"/data/\"q\"/it's.db", "Provider=SQLite;Data Source=\"/data/\"\"q\"\"/it's.db\""},
      {"/data/trailing /erp.db ", "Provider=SQLite;Data Source=\"/data/trailing /erp.db \""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto text = sqliteConnectionString(std::filesystem::path(u16(c.path)));
    EXPECT_EQ(automation::toUtf8(text), c.connectionString);
    const auto parsed = db::ConnectionString::parse(text);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(automation::toUtf8(parsed->get(u"data source").value_or(u"")), c.path);
  }
}

}  // namespace
}  // namespace tarn::erp::testing
