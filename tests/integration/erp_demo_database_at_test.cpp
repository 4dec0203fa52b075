// The demo database functions that take a connection string, on the database the test kit
// makes (SQLite; PostgreSQL when TARN_TEST_POSTGRES is set): generated values, and the refusal
// to fill a database that holds ERP tables or archived values already.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp {
namespace {

using automation::ErrorCode;
using Rows = std::vector<std::vector<std::string>>;

Rows generatedValues(std::u16string_view connection) {
  Rows rows;
  const auto result =
      db::openDatabase(connection)
          ->queryNative(
              u"select cValue, cAlias from UserDefine where cID = 'H09' and cValue like 'GEN%' "
              u"order by iID");
  for (const auto& row : result.rows) {
    rows.push_back({automation::toUtf8(row[0].toString()), automation::toUtf8(row[1].toString())});
  }
  return rows;
}

TEST(ErpDemoDatabaseAtTest, GeneratedValuesContinueTheirNumbering) {
  const testing::TemporaryDemoDatabase demo("tarn-generated");
  addGeneratedValuesAt(demo.connectionString(), 3);
  addGeneratedValuesAt(demo.connectionString(), 2);
  EXPECT_EQ(generatedValues(demo.connectionString()), (Rows{{"GEN0000001", "G1"},
                                                            {"GEN0000002", "G2"},
                                                            {"GEN0000003", "G3"},
                                                            {"GEN0000004", "G4"},
                                                            {"GEN0000005", "G5"}}));
}

TEST(ErpDemoDatabaseAtTest, AFilledDatabaseIsNotFilledAgain) {
  const testing::TemporaryDemoDatabase demo("tarn-refill");
  if (demo.onPostgres()) {
    testing::expectFailure(
        [&] { initialiseErpDatabase(demo.connectionString()); }, ErrorCode::kComponentFailure,
        "Component failure: the database holds ERP tables already: an ERP schema goes into an "
        "empty database");
    testing::expectFailure(
        [&] { fillDemoCompany(demo.connectionString()); }, ErrorCode::kComponentFailure,
        "Component failure: the database holds archived values already: the demo company goes "
        "into an empty ERP database");
    return;
  }
  const std::string exists = "Component failure: " + demo.path().string() + " exists already";
  testing::expectFailure([&] { initialiseErpDatabase(demo.connectionString()); },
                         ErrorCode::kComponentFailure, exists);
  testing::expectFailure([&] { fillDemoCompany(demo.connectionString()); },
                         ErrorCode::kComponentFailure, exists);
}

}  // namespace
}  // namespace tarn::erp
