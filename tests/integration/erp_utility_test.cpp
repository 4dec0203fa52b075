// The utility service: join texts and resource strings, and which database it reads when its
// own Init was never called. Runs on PostgreSQL too when TARN_TEST_POSTGRES is set.
#include <optional>
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

using automation::AutomationError;

class UtilityTest : public ErpDatabaseTest {
 protected:
  void SetUp() override {
    ErpDatabaseTest::SetUp();
    setDefaultConnection(u"");
  }
  void TearDown() override {
    setDefaultConnection(u"");
    ErpDatabaseTest::TearDown();
  }

  std::string lookUp(const ObjectRef& utility, std::u16string_view operation, std::u16string text) {
    Variant argument(std::move(text));
    return automation::toUtf8(callByRef(utility, operation, {&argument}).toString());
  }

  // A second database, on the same backend, whose person join text and resource caption differ
  // from the demo's.
  std::u16string otherDatabase() {
    const auto other = other_.emplace("tarn-erp-other").connectionString();
    queryDatabase(other, u"update TarnJoinTable set cJoinText = 'person'");
    queryDatabase(other,
                  u"update TarnResString set cText = 'Free item '"
                  u" where cKey = 'Tarn.AA.ARCHIVE.FIELD.inv_free'");
    return other;
  }

  std::optional<::tarn::testing::TemporaryDemoDatabase> other_;
};

TEST_F(UtilityTest, LooksUpJoinTextsAndResourcesOrGivesTheArgumentBack) {
  struct Case {
    std::u16string operation;
    std::u16string argument;
    std::string result;
  };
  const std::vector<Case> cases = {
      {u"GetJoinTableStr", u"person",
       "person left join department on person.cDepCode = department.cDepCode"},
      {u"GetJoinTableStr", u"PERSON",
       "person left join department on person.cDepCode = department.cDepCode"},
      {u"GetJoinTableStr", u"customer", "customer"},
      {u"GetJoinTableStr", u"Warehouse", "Warehouse"},
      {u"GetResString", u"Tarn.AA.ARCHIVE.FIELD.inv_free", "自由项"},
      {u"GetResString", u"tarn.aa.archive.field.INV_FREE", "自由项"},
      {u"GetResString", u"Tarn.AA.NO.SUCH.KEY", "Tarn.AA.NO.SUCH.KEY"},
  };
  const auto utility = create(u"TarnUtil.IUtil");
  call(utility, u"Init", {Variant(connection())});
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.operation + u" " + c.argument));
    EXPECT_EQ(lookUp(utility, c.operation, c.argument), c.result);
  }
}

TEST_F(UtilityTest, WithoutInitReadsTheMostRecentlyInitialisedDataService) {
  const auto other = otherDatabase();
  const auto utility = create(u"TarnUtil.IUtil");
  const auto data = create(u"TarnVoucherSvc.IVoucherSvc");

  call(data, u"Init", {Variant(connection())});
  EXPECT_EQ(lookUp(utility, u"GetResString", u"Tarn.AA.ARCHIVE.FIELD.inv_free"), "自由项");

  call(create(u"TarnDataSvc.IDataSvc"), u"Init", {Variant(other)});
  EXPECT_EQ(lookUp(utility, u"GetResString", u"Tarn.AA.ARCHIVE.FIELD.inv_free"), "Free item ");

  // A data service whose Init failed does not count.
  call(data, u"Init", {Variant(sqliteConnectionString(folder_ / "missing.db"))});
  EXPECT_EQ(lookUp(utility, u"GetJoinTableStr", u"person"), "person");
}

TEST_F(UtilityTest, TheHostsDefaultConnectionWinsAndItsOwnInitWinsOverBoth) {
  const auto other = otherDatabase();
  call(create(u"TarnDataSvc.IDataSvc"), u"Init", {Variant(connection())});
  setDefaultConnection(other);
  const auto utility = create(u"TarnUtil.IUtil");
  EXPECT_EQ(lookUp(utility, u"GetJoinTableStr", u"person"), "person");

  call(utility, u"Init", {Variant(connection())});
  EXPECT_EQ(lookUp(utility, u"GetJoinTableStr", u"person"),
            "person left join department on person.cDepCode = department.cDepCode");

  setDefaultConnection(u"");
  EXPECT_EQ(lookUp(create(u"TarnUtil.IUtil"), u"GetJoinTableStr", u"person"),
            "person left join department on person.cDepCode = department.cDepCode");
}

TEST_F(UtilityTest, AnUnreachableDefaultDatabaseRaises) {
  setDefaultConnection(sqliteConnectionString(folder_ / "missing.db"));
  EXPECT_THROW(call(create(u"TarnUtil.IUtil"), u"GetJoinTableStr", {Variant(u"person")}),
               AutomationError);
}

}  // namespace
}  // namespace tarn::erp::testing
