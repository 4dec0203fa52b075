// Shared set-up of the component integration tests: clsVelloc driven through the real outside
// components (erp/) against a fresh SQLite demo database in a temporary folder. The fixture
// registers the outside components and the component itself in the process's component
// registry, as a host does, and restores the registry afterwards.
//
// Texts cross the helpers as UTF-8 so that a failing expectation prints readably; the SQL that
// a reference method returns is run on the same database and its rows come back as text, with
// "<null>" for Null. Expected SQL is written as the current revision writes it and compared
// through revisionText() (tests/kit/revision.h).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "component/clsVelloc.h"
#include "erp/db/open_database.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/variant.h"
#include "tarnvelloc/component/entry_points.h"
#include "tarnvelloc/erp/components.h"
#include "tests/kit/printers.h"
#include "tests/kit/reference_outputs.h"
#include "tests/kit/revision.h"
#include "tests/kit/temporary_database.h"

namespace tarn::velloc::testing {

using automation::Variant;
using Rows = std::vector<std::vector<std::string>>;
using tarn::testing::ReferenceOutputs;
using tarn::testing::revisionText;
using tarn::testing::untouchedOutputs;
using tarn::testing::utf16;
using tarn::testing::utf8;

// The result and outputs of one reference call; `outputs` is the three together as
// ReferenceOutputs::text() shows them.
struct Reference {
  bool result = false;
  std::string sql;
  std::string colSet;
  Variant width;
  std::string outputs;
};

inline Reference referenceOf(bool result, const ReferenceOutputs& out) {
  return {result, utf8(out.sRefSql), utf8(out.sRefColSet), out.sRefColWidth, out.text()};
}

// The outputs of one validation call: the code and the value variable afterwards.
struct Validation {
  std::int16_t code = 0;
  std::string value;
};

// Selectors of GetRefSQL and ValidateAr.
inline constexpr std::int16_t kListSource = 0;
inline constexpr std::int16_t kArchiveSource = 1;
inline constexpr std::int16_t kVoucherSource = 2;
inline constexpr std::int16_t kHeader = 0;
inline constexpr std::int16_t kBody = 1;

inline Reference getRefSql(clsVelloc& component, std::int16_t dataSrcType, std::int16_t voucherSec,
                           std::string_view userDefName, std::string_view tableName,
                           std::string_view fieldName, std::string_view cardNumber,
                           std::string_view matchVal) {
  ReferenceOutputs out;
  const bool result = component.GetRefSQL(
      dataSrcType, voucherSec, utf16(userDefName), utf16(tableName), utf16(fieldName),
      utf16(cardNumber), utf16(matchVal), out.sRefSql, out.sRefColSet, out.sRefColWidth);
  return referenceOf(result, out);
}

inline Reference getFreeRefSql(clsVelloc& component, std::string_view freeFldName,
                               std::string_view matchVal) {
  ReferenceOutputs out;
  const bool result = component.GetFreeRefSQL(utf16(freeFldName), utf16(matchVal), out.sRefSql,
                                              out.sRefColSet, out.sRefColWidth);
  return referenceOf(result, out);
}

inline Reference getStruFreeRefSql(clsVelloc& component, std::string_view invCode,
                                   std::string_view freeFldName, std::string_view matchVal) {
  ReferenceOutputs out;
  const bool result =
      component.GetStruFreeRefSQL(utf16(invCode), utf16(freeFldName), utf16(matchVal), out.sRefSql,
                                  out.sRefColSet, out.sRefColWidth);
  return referenceOf(result, out);
}

inline Validation validateAr(clsVelloc& component, std::int16_t dataSrcType,
                             std::int16_t voucherSec, std::string_view userDefName,
                             std::string_view tableName, std::string_view fieldName,
                             std::string_view value, std::string_view cardNumber, bool buildAr) {
  std::u16string typed = utf16(value);
  const std::int16_t code =
      component.ValidateAr(dataSrcType, voucherSec, utf16(userDefName), utf16(tableName),
                           utf16(fieldName), typed, utf16(cardNumber), buildAr);
  return {code, utf8(typed)};
}

inline Validation validateFreeAr(clsVelloc& component, std::string_view freeFldName,
                                 std::string_view value, bool buildAr) {
  std::u16string typed = utf16(value);
  const std::int16_t code = component.ValidateFreeAr(utf16(freeFldName), typed, buildAr);
  return {code, utf8(typed)};
}

class ComponentDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedRegistry_ = automation::ComponentRegistry::global().snapshot();
    erp::registerComponents();
    DllRegisterServer();
  }

  void TearDown() override {
    automation::ComponentRegistry::global().restore(std::move(savedRegistry_));
  }

  std::u16string connection() const { return demo_.connectionString(); }

  // A component initialised on the demo database for `userId`.
  std::unique_ptr<clsVelloc> component(std::string_view userId = "demo") const {
    auto object = std::make_unique<clsVelloc>();
    EXPECT_TRUE(object->Init(connection(), utf16(userId))) << "Init for " << userId;
    return object;
  }

  // Runs SQL Server-dialect text (as a reference method returns it) on the demo database.
  Rows run(std::string_view sql) const { return rowsOf(database()->query(utf16(sql))); }

  // Runs a native statement with parameters on the demo database.
  Rows runNative(std::string_view sql, std::vector<std::string> parameters = {}) const {
    std::vector<Variant> values;
    for (const auto& parameter : parameters) values.emplace_back(utf16(parameter));
    return rowsOf(database()->queryNative(utf16(sql), values));
  }

  // Every archived value of the item `itemId`, compared exactly (no collation).
  std::vector<std::string> archivedValues(std::string_view itemId) const {
    std::vector<std::string> values;
    for (const auto& row : runNative("select cValue from UserDefine where cID = ? order by iID",
                                     {std::string(itemId)})) {
      values.push_back(row[0]);
    }
    return values;
  }

  // Every row of UserDefine, for checks that nothing was written.
  Rows userDefineRows() const {
    return runNative("select cID, cValue, coalesce(cAlias, '<null>') from UserDefine order by iID");
  }

  tarn::testing::TemporaryDemoDatabase demo_{"tarn-component"};

 private:
  std::unique_ptr<erp::db::Database> database() const {
    return erp::db::openDatabase(*erp::db::ConnectionString::parse(connection()));
  }

  static Rows rowsOf(const erp::db::ResultSet& result) {
    Rows rows;
    for (const auto& row : result.rows) {
      std::vector<std::string> text;
      for (const auto& value : row)
        text.push_back(value.isNull() ? "<null>" : utf8(value.toString()));
      rows.push_back(std::move(text));
    }
    return rows;
  }

  automation::ComponentRegistry::Snapshot savedRegistry_;
};

}  // namespace tarn::velloc::testing
