// A statement's window on every backend (contract_kit.h): the rows inside it, whether more
// follow and, when counted, the total are exact at every edge; the columns and the text a
// failure is recorded with are the statement's own; a held connection keeps what it compiled.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/diagnostics.h"
#include "tarnvelloc/erp/held_connection.h"
#include "tarnvelloc/erp/statement.h"
#include "tests/contract/contract_kit.h"
#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

using automation::Variant;

// Seven values GEN0000001 … GEN0000007 of header item 9, in order.
constexpr char16_t kSeven[] =
    u"select cValue, cAlias from UserDefine where cID = N'H09' and cValue like N'GEN%' "
    u"order by cValue";
// The first five of them, through the statement's own top.
constexpr char16_t kTopFive[] =
    u"select top 5 cValue, cAlias from UserDefine where cID = N'H09' and cValue like N'GEN%' "
    u"order by cValue";

class RowWindowContractTest : public ::testing::TestWithParam<ContractBackend> {
 protected:
  void SetUp() override {
    if (!demo_.skipReason().empty()) GTEST_SKIP() << demo_.skipReason();
    erp::addGeneratedValuesAt(demo_.connection(), 7);
    db_ = erp::db::openDatabase(demo_.connection());
  }

  ContractDatabase demo_{GetParam()};
  std::unique_ptr<erp::db::Database> db_;
};

// The values cValue of rows first … last (1-based) of kSeven.
std::vector<std::u16string> generated(int first, int last) {
  std::vector<std::u16string> values;
  for (int i = first; i <= last; ++i) values.push_back(utf16("GEN000000" + std::to_string(i)));
  return values;
}

std::vector<std::u16string> firstColumn(const erp::ResultSet& result) {
  std::vector<std::u16string> values;
  for (const auto& row : result.rows) values.push_back(row.at(0).toString());
  return values;
}

TEST_P(RowWindowContractTest, TheWindowTheMoreFlagAndTheTotalAreExactAtEveryEdge) {
  struct Case {
    const char16_t* sql;
    std::size_t offset;
    std::size_t limit;
    std::vector<std::u16string> rows;
    bool more;
    std::size_t total;
  };
  const std::vector<Case> cases = {
      {kSeven, 0, 0, {}, true, 7},
      {kSeven, 0, 3, generated(1, 3), true, 7},
      {kSeven, 2, 3, generated(3, 5), true, 7},
      {kSeven, 4, 3, generated(5, 7), false, 7},
      {kSeven, 5, 3, generated(6, 7), false, 7},
      {kSeven, 6, 1, generated(7, 7), false, 7},
      {kSeven, 7, 3, {}, false, 7},
      {kSeven, 9, 3, {}, false, 7},
      {kSeven, 0, SIZE_MAX, generated(1, 7), false, 7},
      {kSeven, 3, SIZE_MAX, generated(4, 7), false, 7},
      {kSeven, SIZE_MAX / 2, SIZE_MAX / 2, {}, false, 7},
      {kTopFive, 0, 2, generated(1, 2), true, 5},
      {kTopFive, 3, 5, generated(4, 5), false, 5},
      {kTopFive, 5, 1, {}, false, 5},
  };
  const auto all = db_->query(kSeven);
  for (const auto& c : cases) {
    for (const bool counted : {false, true}) {
      SCOPED_TRACE(utf8(c.sql) + " offset " + std::to_string(c.offset) + " limit " +
                   std::to_string(c.limit) + (counted ? " counted" : ""));
      const auto window = db_->queryWindow(c.sql, erp::RowWindow{c.offset, c.limit, counted});
      EXPECT_EQ(window.rows.columns, all.columns);
      EXPECT_EQ(firstColumn(window.rows), c.rows);
      EXPECT_EQ(window.more, c.more);
      EXPECT_EQ(window.totalRows, counted ? std::optional<std::size_t>(c.total) : std::nullopt);
    }
  }
  // Whole rows, every column, as the statement gives them.
  const auto middle = db_->queryWindow(kSeven, erp::RowWindow{2, 2});
  EXPECT_EQ(middle.rows.rows,
            (std::vector<std::vector<Variant>>{{Variant(u"GEN0000003"), Variant(u"G3")},
                                               {Variant(u"GEN0000004"), Variant(u"G4")}}));
}

TEST_P(RowWindowContractTest, AFailureIsRecordedWithTheStatementAsTheCallerWroteIt) {
  const std::u16string sql = u"select cValue from NoSuchTable where cID = N'H09'";
  for (const bool counted : {false, true}) {
    erp::clearDatabaseFailures();
    EXPECT_THROW(db_->queryWindow(sql, erp::RowWindow{0, 50, counted}),
                 automation::AutomationError);
    const auto failures = erp::databaseFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].operation, utf8(sql));
  }
}

TEST_P(RowWindowContractTest, AWindowIsCompiledOncePerShapeWhateverItsValuesAndEdges) {
  db_->queryWindow(kSeven, erp::RowWindow{0, 3});
  const auto compiled = db_->statementsCompiled();
  db_->queryWindow(kSeven, erp::RowWindow{4, 2});
  db_->queryWindow(kSeven, erp::RowWindow{1, SIZE_MAX});
  const auto other = db_->queryWindow(
      u"select cValue, cAlias from UserDefine where cID = N'H03' and cValue like N'GEN%' "
      u"order by cValue",
      erp::RowWindow{0, 3});
  EXPECT_EQ(other.rows.rows.size(), 0u);
  EXPECT_EQ(db_->statementsCompiled(), compiled);
}

TEST_P(RowWindowContractTest, AHeldConnectionRunsWindowsAndCatalogueQuestions) {
  erp::HeldConnection held(demo_.connection());
  for (const std::size_t offset : {0u, 5u}) {
    SCOPED_TRACE(offset);
    const auto window = erp::runStatement(held, kSeven, erp::RowWindow{offset, 3, true});
    EXPECT_EQ(firstColumn(window.rows), generated(static_cast<int>(offset) + 1,
                                                  std::min<int>(static_cast<int>(offset) + 3, 7)));
    EXPECT_EQ(window.totalRows, std::optional<std::size_t>(7));
  }
  EXPECT_TRUE(erp::hasTable(held, u"customer"));
  EXPECT_TRUE(erp::hasTable(held, u"CUSTOMER  "));
  EXPECT_FALSE(erp::hasTable(held, u"no_such_table"));
  EXPECT_TRUE(erp::hasColumn(held, u"customer", u"ccuscode"));
  EXPECT_FALSE(erp::hasColumn(held, u"customer", u"cValue"));
  EXPECT_EQ(erp::voucherTable(held, u"ct02"), std::optional<std::u16string>(u"contracts"));
  EXPECT_EQ(erp::voucherTable(held, u"XX99"), std::nullopt);
}

// A table (or view) a statement can read is found with that statement alone: nothing is compiled
// and no failure recorded, even for a table that is not there. Any other name is a catalogue
// question.
TEST_P(RowWindowContractTest, AHeldConnectionFindsAReadableTableWithoutTheCatalogue) {
  erp::HeldConnection held(demo_.connection());
  const struct {
    std::u16string table;
    bool found;
    bool askedAlone;  // by the one statement, compiling nothing
  } cases[] = {
      {u"UserDefine", true, true},
      {u"userdefine", true, true},
      {u"customer", true, true},
      {u"sysobjects", true, true},  // a catalogue view, which hasTable does not count
      {u"no_such_table", false, false},
      {u"CUSTOMER  ", true, false},
      {u"customer where 1 = 0; drop table customer", false, false},
  };
  const auto compiledFirst = held.database().statementsCompiled();
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.table));
    erp::clearDatabaseFailures();
    const auto compiled = held.database().statementsCompiled();
    EXPECT_EQ(erp::hasReadableTable(held, c.table), c.found);
    if (c.askedAlone) {
      EXPECT_EQ(held.database().statementsCompiled(), compiled);
    }
    EXPECT_EQ(erp::databaseFailureCount(), 0u);
  }
  EXPECT_GT(held.database().statementsCompiled(), compiledFirst);  // the catalogue was asked
  EXPECT_TRUE(erp::hasTable(held, u"customer"));
}

INSTANTIATE_TEST_SUITE_P(Backends, RowWindowContractTest, everyContractBackend(),
                         ContractBackendName());

}  // namespace
}  // namespace tarn::testing
