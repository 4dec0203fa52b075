// The row-authorisation service over the demo database: its answers for an unrestricted and a
// restricted user, and the restricted answers filtering for real inside "key in (…)". Runs on
// PostgreSQL too when TARN_TEST_POSTGRES is set.
#include <string>
#include <vector>

#include "erp_test_support.h"

namespace tarn::erp::testing {
namespace {

using automation::AutomationError;
using Rows = std::vector<std::vector<std::string>>;

using RowAuthorisationTest = ErpDatabaseTest;

struct AnswerCase {
  std::u16string user;
  std::u16string table;
  std::string answer;
};

TEST_F(RowAuthorisationTest, AnswersFollowTheUsersGrants) {
  const std::vector<AnswerCase> cases = {
      {u"demo", u"customer", ""},
      {u"demo", u"vendor", ""},
      {u"DEMO", u"Customer", ""},
      {u"clerk01", u"vendor", "1=2"},
      {u"CLERK01", u"Vendor", "1=2"},
      {u"clerk01", u"customer", "select cKey from TarnRowAuthKey where iGrantId = 3"},
      {u"clerk01", u"department", "select cKey from TarnRowAuthKey where iGrantId = 4"},
      {u"clerk01", u"customer  ", "select cKey from TarnRowAuthKey where iGrantId = 3"},
      {u"clerk01", u"warehouse", ""},
      {u"nobody", u"vendor", "1=2"},
      {u"nobody", u"customer", "1=2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.user) + " on " + automation::toUtf8(c.table));
    const auto service = create(u"TarnRowAuthSvc.IRowAuth");
    Variant connectionString(connection());
    Variant user(c.user);
    callByRef(service, u"Init", {&connectionString, &user});
    Variant table(c.table);
    EXPECT_EQ(automation::toUtf8(callByRef(service, u"GetAuthString", {&table}).toString()),
              c.answer);
  }
}

struct FilterCase {
  std::u16string table;
  std::u16string keyColumn;
  Rows visibleKeys;
};

TEST_F(RowAuthorisationTest, ARestrictedAnswerFiltersInsideTheKeyList) {
  const std::vector<FilterCase> cases = {
      {u"customer", u"iid", {{"1"}, {"3"}}},
      {u"department", u"cDepCode", {{"03"}, {"0301"}}},
  };
  const auto service = create(u"TarnRowAuthSvc.IRowAuth");
  call(service, u"Init", {Variant(connection()), Variant(u"clerk01")});
  const auto data = create(u"TarnDataSvc.IDataSvc");
  call(data, u"Init", {Variant(connection())});
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.table));
    const auto answer = call(service, u"GetAuthString", {Variant(c.table)}).toString();
    const auto sql = u"select " + c.keyColumn + u" from " + c.table + u" where " + c.keyColumn +
                     u" in (" + answer + u") order by " + c.keyColumn;
    EXPECT_EQ(readRows(call(data, u"OpenX", {Variant(sql)}).toObject(), {c.keyColumn}),
              c.visibleKeys);
  }
}

TEST_F(RowAuthorisationTest, NeedsAnOpenDatabase) {
  EXPECT_THROW(call(create(u"TarnRowAuthSvc.IRowAuth"), u"GetAuthString", {Variant(u"customer")}),
               AutomationError);
  EXPECT_THROW(call(create(u"TarnRowAuthSvc.IRowAuth"), u"Init",
                    {Variant(u"Data Source=\"unclosed"), Variant(u"demo")}),
               AutomationError);
}

}  // namespace
}  // namespace tarn::erp::testing
