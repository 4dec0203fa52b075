// A PostgreSQL connection plans every run of its prepared statements for their values from the
// sixth run of any of them on, the first run PostgreSQL may plan for any values, and sends
// nothing for it before: a connection whose statements run a few times each costs no round trip
// more. A transaction rolled back takes the setting with it; the next run past the fifth makes it
// again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/text.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp::db {
namespace {

TEST(PostgresPlansTest, EveryRunIsPlannedForItsValuesBeforeAnyCouldBePlannedForAll) {
  const auto server = testing::testPostgresConnection();
  if (!server) GTEST_SKIP() << "TARN_TEST_POSTGRES names no PostgreSQL database";
  enum class Step { kRun, kRunOther, kBegin, kCommit, kRollback };
  struct Case {
    Step step;
    const char* setting;  // after a run: the connection's plan_cache_mode
  };
  const std::vector<Case> cases = {
      {Step::kRun, "auto"},
      {Step::kRun, "auto"},
      {Step::kRunOther, "auto"},
      {Step::kRun, "auto"},
      {Step::kRun, "auto"},
      {Step::kRun, "auto"},  // the fifth run of the first statement
      {Step::kBegin, nullptr},
      {Step::kRun, "force_custom_plan"},
      {Step::kRollback, nullptr},
      {Step::kRunOther, "auto"},  // its second run: nothing is set again yet
      {Step::kRun, "force_custom_plan"},
      {Step::kBegin, nullptr},
      {Step::kRunOther, "force_custom_plan"},
      {Step::kCommit, nullptr},
      {Step::kRunOther, "force_custom_plan"},
  };
  const auto database = openDatabase(*server);
  const auto setting = [&](std::u16string_view text) {
    return automation::toUtf8(database->queryNative(text).rows.at(0).at(0).toString());
  };
  int number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE("step " + std::to_string(++number));
    switch (c.step) {
      case Step::kRun:
        EXPECT_EQ(setting(u"select current_setting('plan_cache_mode')"), c.setting);
        break;
      case Step::kRunOther:
        EXPECT_EQ(setting(u"select current_setting('plan_cache_mode') as mode"), c.setting);
        break;
      case Step::kBegin:
        database->begin();
        break;
      case Step::kCommit:
        database->commit();
        break;
      case Step::kRollback:
        database->rollback();
        break;
    }
  }
}

}  // namespace
}  // namespace tarn::erp::db
