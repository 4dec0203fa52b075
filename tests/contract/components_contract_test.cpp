// The component through the real outside components on every backend (contract_kit.h): the SQL
// a reference method returns runs on the backend with the expected rows, and validation finds
// values through the providers, the money-column check through the catalogue views included.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/contract/contract_kit.h"
#include "tests/integration/component_test_support.h"

namespace tarn::velloc::testing {
namespace {

using tarn::testing::ContractBackend;
using tarn::testing::ContractDatabase;
using ::testing::UnorderedElementsAreArray;

class ComponentsContractTest : public ::testing::TestWithParam<ContractBackend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
    savedRegistry_ = automation::ComponentRegistry::global().snapshot();
    erp::registerComponents();
    DllRegisterServer();
    velloc_ = std::make_unique<clsVelloc>();
    ASSERT_TRUE(velloc_->Init(demo_.connection(), u"demo"));
  }

  void TearDown() override {
    velloc_.reset();
    if (demo_.skipReason().empty()) {
      automation::ComponentRegistry::global().restore(std::move(savedRegistry_));
    }
  }

  Rows run(const std::string& sql) const {
    Rows rows;
    for (const auto& row : erp::db::openDatabase(demo_.connection())->query(utf16(sql)).rows) {
      std::vector<std::string> text;
      for (const auto& value : row) {
        text.push_back(value.isNull() ? "<null>" : utf8(value.toString()));
      }
      rows.push_back(std::move(text));
    }
    return rows;
  }

  ContractDatabase demo_{GetParam()};
  std::unique_ptr<clsVelloc> velloc_;
  automation::ComponentRegistry::Snapshot savedRegistry_;
};

TEST_P(ComponentsContractTest, ReferenceSqlRunsOnTheBackend) {
  struct Case {
    std::int16_t dataSrcType;
    std::string userDefName;
    std::string tableName;
    std::string fieldName;
    std::string matchVal;
    std::string colSet;
    Rows rows;
  };
  const std::vector<Case> cases = {
      {kListSource, "cdefine3", "", "", " 华南 ", "档案值,别名", {{"华南区", "HN"}}},
      {kListSource, "cdefine3", "", "", "hd", "档案值,别名", {{"华东区", "HD"}}},
      {kArchiveSource,
       "",
       "customer",
       "cCusName",
       "",
       "客户编码,客户名称,信用额度",
       {{"C001", "北京华联商贸有限公司", "500000"},
        {"C002", "上海远航贸易有限公司", "200000"},
        {"C003", "广州天河电子有限公司", "0"},
        {"C004", "Acme Trading Ltd.", "125000.5"}}},
      {kArchiveSource,
       "",
       "person",
       "cPersonName",
       "王",
       "人员编码,姓名,部门",
       {{"003", "王强", "销售一部"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tableName + c.userDefName + " " + c.matchVal);
    const Reference ref = getRefSql(*velloc_, c.dataSrcType, kHeader, c.userDefName, c.tableName,
                                    c.fieldName, "", c.matchVal);
    ASSERT_TRUE(ref.result);
    EXPECT_EQ(ref.colSet, c.colSet);
    EXPECT_THAT(run(ref.sql), UnorderedElementsAreArray(c.rows));
  }
}

TEST_P(ComponentsContractTest, ValidationFindsValuesThroughTheProviders) {
  struct Case {
    std::int16_t dataSrcType;
    std::string userDefName;
    std::string tableName;
    std::string fieldName;
    std::string value;
    std::string cardNumber;
    std::int16_t code;
    std::string valueAfter;
  };
  const std::vector<Case> cases = {
      {kListSource, "cdefine3", "", "", "  HD ", "", 0, "华东区"},
      {kListSource, "cdefine3", "", "", " 华中区 ", "", -1, "华中区"},
      {kArchiveSource, "cdefine1", "customer", "cCusName", "acme trading ltd.", "", 0,
       "acme trading ltd."},
      {kArchiveSource, "cdefine1", "person", "cPersonName", "王强", "", 0, "王强"},
      {kArchiveSource, "cdefine2", "customer", "iCreditLine", "125000.50", "", 0, "125000.50"},
      {kArchiveSource, "cdefine2", "customer", "iCreditLine", "1", "", -1, "1"},
      {kArchiveSource, "cdefine2", "customer", "iCreditLine", "abc", "", -1, "abc"},
      {kVoucherSource, "cdefine2", "", "iAmount", "12500.50", "CT02", 0, "12500.50"},
      {kVoucherSource, "cdefine1", "", "cContractCode", "HT2024002", "CT01", -1, "HT2024002"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tableName + c.fieldName + " " + c.value);
    const Validation v = validateAr(*velloc_, c.dataSrcType, kHeader, c.userDefName, c.tableName,
                                    c.fieldName, c.value, c.cardNumber, false);
    EXPECT_EQ(v.code, c.code);
    EXPECT_EQ(v.value, c.valueAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, ComponentsContractTest, tarn::testing::everyContractBackend(),
                         tarn::testing::ContractBackendName());

}  // namespace
}  // namespace tarn::velloc::testing
