// The reference methods (GetRefSQL, GetFreeRefSQL, GetStruFreeRefSQL) through the real outside
// components: each returned SQL text is compared whole and then run on the same demo database,
// whose rows must be exactly the values the pick-list offers. The reference SQL has no ORDER BY,
// so rows are compared without regard to their order.
#include <string>
#include <vector>

#include "component_test_support.h"

namespace tarn::velloc::testing {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

std::string asciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

constexpr char kUserDefineColumns[] = "档案值,别名";
constexpr char kFreeColumns[] = "自由项值,别名,条形码";
constexpr char kCustomerColumns[] = "客户编码,客户名称,信用额度";
constexpr char kContractColumns[] = "合同编号,合同名称,合同金额";

struct RefCase {
  std::string label;
  std::int16_t dataSrcType;
  std::int16_t voucherSec;
  std::string userDefName;
  std::string tableName;
  std::string fieldName;
  std::string cardNumber;
  std::string matchVal;
  std::string sql;
  std::string colSet;
  Rows rows;
};

class ComponentReferenceTest : public ComponentDatabaseTest {
 protected:
  // Runs every case on `component`: the outputs are written, the SQL is the expected text, and
  // running it gives exactly the expected rows.
  void expectReferences(clsVelloc& component, const std::vector<RefCase>& cases) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.label);
      const Reference ref = getRefSql(component, c.dataSrcType, c.voucherSec, c.userDefName,
                                      c.tableName, c.fieldName, c.cardNumber, c.matchVal);
      ASSERT_TRUE(ref.result);
      if (demo_.onPostgres()) {
        // PostgreSQL reports a table's own columns in lower case (cdepcode): where the
        // component names columns it read from the database, only their letter case differs.
        EXPECT_EQ(asciiLower(ref.sql), asciiLower(revisionText(c.sql)));
        EXPECT_EQ(asciiLower(ref.colSet), asciiLower(c.colSet));
      } else {
        EXPECT_EQ(ref.sql, revisionText(c.sql));
        EXPECT_EQ(ref.colSet, c.colSet);
      }
      EXPECT_EQ(ref.width, Variant(u""));
      EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(c.rows));
    }
  }
};

TEST_F(ComponentReferenceTest, ListSourceOffersTheArchivedValuesOfTheItemInItsSection) {
  const std::string header =
      "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N'单据头' and "
      "B.cItem =N'";
  const std::string body =
      "Select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass =N'单据体' and "
      "B.cItem =N'";
  const std::vector<RefCase> cases = {
      {"header item 3, no match text",
       kListSource,
       kHeader,
       "cdefine3",
       "",
       "",
       "",
       "",
       header + "自定义项3' and B.cID = A.cID",
       kUserDefineColumns,
       {{"华东区", "HD"}, {"华南区", "HN"}, {"华北区", "HB"}, {"Export", "出口"}}},
      {"header item 3, match text of blanks adds no condition",
       kListSource,
       kHeader,
       "cdefine3",
       "",
       "",
       "",
       "   ",
       header + "自定义项3' and B.cID = A.cID",
       kUserDefineColumns,
       {{"华东区", "HD"}, {"华南区", "HN"}, {"华北区", "HB"}, {"Export", "出口"}}},
      {"header item 3, match text trimmed, found in the value",
       kListSource,
       kHeader,
       "cdefine3",
       "",
       "",
       "",
       "  华南 ",
       header + "自定义项3' and B.cID = A.cID and (cValue like N'%华南%' or cAlias like N'%华南%')",
       kUserDefineColumns,
       {{"华南区", "HN"}}},
      {"header item 3, match text found in the alias, letter case ignored",
       kListSource,
       kHeader,
       "cdefine3",
       "",
       "",
       "",
       "hd",
       header + "自定义项3' and B.cID = A.cID and (cValue like N'%hd%' or cAlias like N'%hd%')",
       kUserDefineColumns,
       {{"华东区", "HD"}}},
      {"header item 2, a value without alias",
       kListSource,
       kHeader,
       "cdefine2",
       "",
       "",
       "",
       "",
       header + "自定义项2' and B.cID = A.cID",
       kUserDefineColumns,
       {{"0.95", "<null>"}}},
      {"body item 1 (cdefine22): the body's values, not header item 1's",
       kListSource,
       kBody,
       "cdefine22",
       "",
       "",
       "",
       "",
       body + "自定义项1' and B.cID = A.cID",
       kUserDefineColumns,
       {{"红色", "R"}, {"蓝色", "B"}}},
      {"name in capitals with blanks: the section comes from the name, not iVoucherSec",
       kListSource,
       kBody,
       "  CDEFINE1 ",
       "",
       "",
       "",
       "",
       header + "自定义项1' and B.cID = A.cID",
       kUserDefineColumns,
       {{"华联门店改造", "HLMD"}, {"Warehouse Upgrade", "WU"}}},
      {"list source ignores the table passed",
       kListSource,
       kHeader,
       "cdefine1",
       "customer",
       "cCusName",
       "",
       "WU",
       header + "自定义项1' and B.cID = A.cID and (cValue like N'%WU%' or cAlias like N'%WU%')",
       kUserDefineColumns,
       {{"Warehouse Upgrade", "WU"}}},
      {"body item 16 (cdefine37) has no values",
       kListSource,
       kBody,
       "cdefine37",
       "",
       "",
       "",
       "",
       body + "自定义项16' and B.cID = A.cID",
       kUserDefineColumns,
       {}},
      {"an apostrophe in the match text stays inside its literal",
       kListSource,
       kHeader,
       "cdefine3",
       "",
       "",
       "",
       "O'B",
       header + "自定义项3' and B.cID = A.cID and (cValue like N'%O''B%' or cAlias like N'%O''B%')",
       kUserDefineColumns,
       {}},
  };
  expectReferences(*component(), cases);
}

TEST_F(ComponentReferenceTest, ArchiveSourceOffersTheRowsOfTheTableThroughItsLayoutAndJoin) {
  const std::string customer =
      "Select customer.cCusCode, customer.cCusName, customer.iCreditLine from customer where 1=1";
  const std::string person =
      "Select person.cPersonCode, person.cPersonName, department.cDepName from person left join "
      "department on person.cDepCode = department.cDepCode where 1=1";
  const std::vector<RefCase> cases = {
      {"customer, every row",
       kArchiveSource,
       kHeader,
       "",
       "customer",
       "cCusName",
       "",
       "",
       customer,
       kCustomerColumns,
       {{"C001", "北京华联商贸有限公司", "500000"},
        {"C002", "上海远航贸易有限公司", "200000"},
        {"C003", "广州天河电子有限公司", "0"},
        {"C004", "Acme Trading Ltd.", "125000.5"}}},
      {"customer, match text on the name",
       kArchiveSource,
       kBody,
       "not a cdefine name",
       "customer",
       "cCusName",
       "",
       " 贸易 ",
       customer + " and cCusName like N'%贸易%'",
       kCustomerColumns,
       {{"C002", "上海远航贸易有限公司", "200000"}}},
      {"person: the join brings the department name, the match names person's column",
       kArchiveSource,
       kHeader,
       "",
       "person",
       "cPersonName",
       "",
       "王",
       person + " and person.cPersonName like N'%王%'",
       "人员编码,姓名,部门",
       {{"003", "王强", "销售一部"}}},
      {"Person in capitals: same layout, join and column prefix",
       kArchiveSource,
       kHeader,
       "",
       "Person",
       "cPersonName",
       "",
       "陈",
       person + " and person.cPersonName like N'%陈%'",
       "人员编码,姓名,部门",
       {{"005", "陈静", "<null>"}}},
      {"warehouse",
       kArchiveSource,
       kHeader,
       "",
       "warehouse",
       "cWhName",
       "",
       "成品",
       "Select warehouse.cWhCode, warehouse.cWhName from warehouse where 1=1 and cWhName like "
       "N'%成品%'",
       "仓库编码,仓库名称",
       {{"02", "成品库"}}},
      {"department",
       kArchiveSource,
       kHeader,
       "",
       "department",
       "cDepName",
       "",
       "销售",
       "Select department.cDepCode, department.cDepName from department where 1=1 and cDepName "
       "like N'%销售%'",
       "部门编码,部门名称",
       {{"03", "销售部"}, {"0301", "销售一部"}}},
      {"code, no match text",
       kArchiveSource,
       kHeader,
       "",
       "code",
       "cCodeName",
       "",
       "",
       "Select code.cCode, code.cCodeName from code where 1=1",
       "科目编码,科目名称",
       {{"1001", "库存现金"},
        {"1002", "银行存款"},
        {"100201", "工商银行"},
        {"1122", "应收账款"},
        {"2202", "应付账款"},
        {"6001", "主营业务收入"}}},
      {"vendor, demo has no grant and sees every row",
       kArchiveSource,
       kHeader,
       "",
       "vendor",
       "cVenName",
       "",
       "",
       "Select vendor.cVenCode, vendor.cVenName from vendor where 1=1",
       "供应商编码,供应商名称",
       {{"V001", "宁波纺织品有限公司"}, {"V002", "宝山钢铁股份有限公司"}, {"V003", "义乌箱包厂"}}},
  };
  expectReferences(*component(), cases);
}

TEST_F(ComponentReferenceTest, VoucherSourceOffersTheVoucherTableUnderItsDefaultCondition) {
  const std::string contracts = "select cContractCode, cContractName, iAmount from contracts";
  const std::vector<RefCase> cases = {
      {"CT01: the leading where of the condition is dropped",
       kVoucherSource,
       kHeader,
       "",
       "",
       "cContractName",
       "CT01",
       "",
       contracts + " where bFlag=1",
       kContractColumns,
       {{"HT2024001", "华联门店年度供货合同", "380000"},
        {"HT2024003", "Acme export contract", "96000"}}},
      {"CT01 with a match text: and follows the condition",
       kVoucherSource,
       kHeader,
       "",
       "",
       "cContractName",
       "CT01",
       "合同",
       contracts + " where bFlag=1 and cContractName like N'%合同%'",
       kContractColumns,
       {{"HT2024001", "华联门店年度供货合同", "380000"}}},
      {"CT02: no condition",
       kVoucherSource,
       kBody,
       "",
       "",
       "cContractName",
       "CT02",
       "",
       contracts,
       kContractColumns,
       {{"HT2024001", "华联门店年度供货合同", "380000"},
        {"HT2024002", "远航贸易试销合同", "12500.5"},
        {"HT2024003", "Acme export contract", "96000"}}},
      {"CT02 with a match text: where introduces it",
       kVoucherSource,
       kHeader,
       "",
       "",
       "cContractName",
       "CT02",
       "试销",
       contracts + " where cContractName like N'%试销%'",
       kContractColumns,
       {{"HT2024002", "远航贸易试销合同", "12500.5"}}},
      {"DP01: a table without a field list offers all its columns",
       kVoucherSource,
       kHeader,
       "",
       "",
       "cDepName",
       "DP01",
       "部",
       "select cDepCode, cDepName, iDepGrade from department where iDepGrade = 1 and cDepName "
       "like N'%部%'",
       "cDepCode,cDepName,iDepGrade",
       {{"02", "财务部", "1"},
        {"03", "销售部", "1"},
        {"04", "采购部", "1"},
        {"05", "仓储部", "1"}}},
  };
  expectReferences(*component(), cases);
}

TEST_F(ComponentReferenceTest, RefusedReferencesLeaveTheOutputsAsPassed) {
  struct Case {
    std::string label;
    std::string userId;
    std::int16_t dataSrcType;
    std::int16_t voucherSec;
    std::string userDefName;
    std::string tableName;
    std::string cardNumber;
  };
  const std::vector<Case> cases = {
      {"clerk01 may see no vendor", "clerk01", kArchiveSource, kHeader, "", "vendor", ""},
      {"clerk01 may see no Vendor, whatever the letter case", "clerk01", kArchiveSource, kHeader,
       "", "Vendor", ""},
      {"voucher card without a Vouchers row", "demo", kVoucherSource, kHeader, "", "", "CT99"},
      {"list source, header item 17 does not exist", "demo", kListSource, kHeader, "cdefine17", "",
       ""},
      {"list source, name without the cdefine prefix", "demo", kListSource, kHeader, "cfree1", "",
       ""},
      {"data source type 3", "demo", 3, kHeader, "cdefine1", "customer", ""},
      {"voucher section 2", "demo", kListSource, 2, "cdefine1", "", ""},
      {"list source, number part not a number", "demo", kListSource, kHeader, "cdefineAB", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reference ref = getRefSql(*component(c.userId), c.dataSrcType, c.voucherSec,
                                    c.userDefName, c.tableName, "cVenName", c.cardNumber, "");
    EXPECT_FALSE(ref.result);
    EXPECT_EQ(ref.outputs, untouchedOutputs());
  }
}

TEST_F(ComponentReferenceTest, RestrictedUserSeesOnlyTheListedRows) {
  const std::string customer =
      "Select customer.cCusCode, customer.cCusName, customer.iCreditLine from customer where iid "
      "in (select cKey from TarnRowAuthKey where iGrantId = 3)";
  const std::vector<RefCase> cases = {
      {"customers 1 and 3 only",
       kArchiveSource,
       kHeader,
       "",
       "customer",
       "cCusName",
       "",
       "",
       customer,
       kCustomerColumns,
       {{"C001", "北京华联商贸有限公司", "500000"}, {"C003", "广州天河电子有限公司", "0"}}},
      {"a match text narrows the listed rows further",
       kArchiveSource,
       kHeader,
       "",
       "customer",
       "cCusName",
       "",
       "有限公司",
       customer + " and cCusName like N'%有限公司%'",
       kCustomerColumns,
       {{"C001", "北京华联商贸有限公司", "500000"}, {"C003", "广州天河电子有限公司", "0"}}},
      {"the listed customers that match",
       kArchiveSource,
       kHeader,
       "",
       "customer",
       "cCusName",
       "",
       "天河",
       customer + " and cCusName like N'%天河%'",
       kCustomerColumns,
       {{"C003", "广州天河电子有限公司", "0"}}},
      {"a customer outside the list is not offered even when it matches",
       kArchiveSource,
       kHeader,
       "",
       "customer",
       "cCusName",
       "",
       "远航",
       customer + " and cCusName like N'%远航%'",
       kCustomerColumns,
       {}},
      {"departments 03 and 0301 only",
       kArchiveSource,
       kHeader,
       "",
       "department",
       "cDepName",
       "",
       "",
       "Select department.cDepCode, department.cDepName from department where cDepCode in "
       "(select cKey from TarnRowAuthKey where iGrantId = 4)",
       "部门编码,部门名称",
       {{"03", "销售部"}, {"0301", "销售一部"}}},
      {"a table without a grant is not restricted",
       kArchiveSource,
       kHeader,
       "",
       "warehouse",
       "cWhName",
       "",
       "",
       "Select warehouse.cWhCode, warehouse.cWhName from warehouse where 1=1",
       "仓库编码,仓库名称",
       {{"01", "原料库"}, {"02", "成品库"}, {"03", "退货库"}}},
      {"a voucher query carries no access filter, although department is restricted",
       kVoucherSource,
       kHeader,
       "",
       "",
       "cDepName",
       "DP01",
       "",
       "select cDepCode, cDepName, iDepGrade from department where iDepGrade = 1",
       "cDepCode,cDepName,iDepGrade",
       {{"01", "总经理办公室", "1"},
        {"02", "财务部", "1"},
        {"03", "销售部", "1"},
        {"04", "采购部", "1"},
        {"05", "仓储部", "1"}}},
  };
  expectReferences(*component("clerk01"), cases);
}

TEST_F(ComponentReferenceTest, FreeReferenceOffersTheArchivedValuesOfTheFreeItem) {
  const std::string base =
      "Select A.cValue, A.cAlias, A.cBarCode from UserDefine A, UserDef B where B.cItem =N'";
  struct Case {
    std::string label;
    std::string freeFldName;
    std::string matchVal;
    std::string sql;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"free item 1, no match text",
       "cfree1",
       "",
       base + "自由项1' and B.cID = A.cID",
       {{"红", "R", "6901234500011"}, {"白", "W", "6901234500028"}, {"黑", "K", "6901234500035"}}},
      {"name in capitals with blanks, match text in values and aliases",
       " CFREE2 ",
       " L ",
       base + "自由项2' and B.cID = A.cID and (cValue like N'%L%' or cAlias like N'%L%')",
       {{"L", "大", "6901234500110"}, {"XL", "特大", "6901234500127"}}},
      {"match text found in an alias only",
       "cFree3",
       "b24",
       base + "自由项3' and B.cID = A.cID and (cValue like N'%b24%' or cAlias like N'%b24%')",
       {{"2024B", "B24", "<null>"}}},
      {"match text of blanks adds no condition",
       "cfree3",
       "  ",
       base + "自由项3' and B.cID = A.cID",
       {{"2024A", "A24", "<null>"}, {"2024B", "B24", "<null>"}}},
      {"a free item without values", "cfree9", "", base + "自由项9' and B.cID = A.cID", {}},
      {"an apostrophe in the match text stays inside its literal",
       "cfree1",
       "'",
       base + "自由项1' and B.cID = A.cID and (cValue like N'%''%' or cAlias like N'%''%')",
       {}},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reference ref = getFreeRefSql(*velloc, c.freeFldName, c.matchVal);
    ASSERT_TRUE(ref.result);
    EXPECT_EQ(ref.sql, revisionText(c.sql));
    EXPECT_EQ(ref.colSet, kFreeColumns);
    EXPECT_EQ(ref.width, Variant(u""));
    EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(c.rows));
  }
  for (const char* name : {"cfree", "xfree1", "cfre", ""}) {
    SCOPED_TRACE(std::string("refused name '") + name + "'");
    const Reference ref = getFreeRefSql(*velloc, name, "");
    EXPECT_FALSE(ref.result);
    EXPECT_EQ(ref.outputs, untouchedOutputs());
  }
}

TEST_F(ComponentReferenceTest, StructuredFreeItemsOfferTheInventorysParts) {
  struct Case {
    std::string label;
    std::string invCode;
    std::string freeFldName;
    std::string matchVal;
    std::string sql;
    std::string colSet;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"01001 keeps colour structured",
       "01001",
       "cFree1",
       "",
       "select distinct Free1 as [自由项1] from bas_part where InvCode =N'01001'",
       "自由项1",
       {{"白"}, {"蓝"}}},
      {"01001 keeps size structured, with a match text",
       "01001",
       "cFree2",
       " L ",
       "select distinct Free2 as [自由项2] from bas_part where InvCode =N'01001' and Free2 like "
       "N'%L%'",
       "自由项2",
       {{"L"}}},
      {"02001 keeps its batch structured",
       "02001",
       "cfree3",
       "",
       "select distinct free3 as [自由项3] from bas_part where InvCode =N'02001'",
       "自由项3",
       {{"GB2024-01"}, {"GB2024-02"}}},
      {"03001 has no answer for colour: Null counts as structured",
       "03001",
       "cFree1",
       "",
       "select distinct Free1 as [自由项1] from bas_part where InvCode =N'03001'",
       "自由项1",
       {{"卡其"}}},
      {"an inventory code without an Inventory row takes the parts path",
       "99999",
       "cFree1",
       "",
       "select distinct Free1 as [自由项1] from bas_part where InvCode =N'99999'",
       "自由项1",
       {}},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reference ref = getStruFreeRefSql(*velloc, c.invCode, c.freeFldName, c.matchVal);
    ASSERT_TRUE(ref.result);
    EXPECT_EQ(ref.sql, revisionText(c.sql));
    EXPECT_EQ(ref.colSet, c.colSet);
    EXPECT_EQ(ref.width, Variant(u"3000"));
    EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(c.rows));
  }
}

TEST_F(ComponentReferenceTest, UnstructuredFreeItemsAreHandedToTheFreeReference) {
  struct Case {
    std::string label;
    std::string invCode;
    std::string freeFldName;
    std::string matchVal;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {"01002 keeps nothing structured", "01002", "cFree1", "白", {{"白", "W", "6901234500028"}}},
      {"01001 keeps its batch unstructured",
       "01001",
       "cFree3",
       "",
       {{"2024A", "A24", "<null>"}, {"2024B", "B24", "<null>"}}},
      {"03001 keeps size unstructured",
       "03001",
       "cFree2",
       "大",
       {{"L", "大", "6901234500110"}, {"XL", "特大", "6901234500127"}}},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reference handedOver = getStruFreeRefSql(*velloc, c.invCode, c.freeFldName, c.matchVal);
    const Reference free = getFreeRefSql(*velloc, c.freeFldName, c.matchVal);
    ASSERT_TRUE(handedOver.result);
    ASSERT_TRUE(free.result);
    EXPECT_EQ(handedOver.sql, free.sql);
    EXPECT_EQ(handedOver.colSet, kFreeColumns);
    EXPECT_EQ(handedOver.width, Variant(u""));
    EXPECT_THAT(run(handedOver.sql), UnorderedElementsAreArray(c.rows));
  }
}

TEST_F(ComponentReferenceTest, StructuredFreeReferenceRefusesBadNamesAfterTheInventoryLookup) {
  struct Case {
    std::string label;
    std::string invCode;
    std::string freeFldName;
  };
  const std::vector<Case> cases = {
      {"no column bConfigFree11 on an existing inventory", "01001", "cFree11"},
      {"a name with blanks when the inventory exists", "01001", " cFree1"},
      {"a name without the cfree prefix on a missing inventory", "99999", "xFree1"},
      {"a name of the prefix alone on a missing inventory", "99999", "cfree"},
  };
  const auto velloc = component();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Reference ref = getStruFreeRefSql(*velloc, c.invCode, c.freeFldName, "");
    EXPECT_FALSE(ref.result);
    EXPECT_EQ(ref.outputs, untouchedOutputs());
  }
}

}  // namespace
}  // namespace tarn::velloc::testing
