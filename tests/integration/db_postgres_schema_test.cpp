// The PostgreSQL ERP schema against the SQLite one, and the comparison rule of each.
//
// Both schemas come from db/schema.sql; here the two demo databases are compared through their
// catalogue views, column by column: table, column, position, SQL Server type, nullability.
// The comparison rule is shown on both databases by one table of pairs. The PostgreSQL cases
// run when TARN_TEST_POSTGRES names a server (scripts/test-postgres.sh); they are skipped
// otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "erp/db/open_database.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_database.h"

namespace tarn::erp::db {
namespace {

using automation::Variant;
using testing::utf16;
using testing::utf8;

// table, column, position, type id (or "null"), nullable: one line per column, names in
// lower case (PostgreSQL keeps them so), sorted.
std::vector<std::string> columnsOf(Database& database) {
  const auto rows = database.query(
      u"select o.name, c.name, c.colid, c.xtype, c.isnullable from sysobjects o, syscolumns c "
      u"where o.id = c.id and o.xtype = 'U'");
  std::vector<std::string> lines;
  for (const auto& row : rows.rows) {
    std::string line;
    for (const auto& value : row) {
      std::string text = value.isNull() ? "null" : utf8(value.toString());
      std::transform(text.begin(), text.end(), text.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      line += text + " ";
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

class DbPostgresSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::testPostgresConnection()) GTEST_SKIP() << "TARN_TEST_POSTGRES is not set";
  }
};

TEST_F(DbPostgresSchemaTest, ColumnsMatchTheSqliteSchema) {
  testing::TemporaryFolder folder("tarn-schema-step");
  createDemoDatabase(folder / "erp.db");
  std::vector<std::string> expected =
      columnsOf(*openDatabase(sqliteConnectionString(folder / "erp.db")));
  // A column SQLite declares `integer` has no SQL Server type there; PostgreSQL's is int. The
  // integer PRIMARY KEY row keys may hold Null in SQLite; PostgreSQL generates them, never Null.
  for (auto& line : expected) {
    for (const char* sqlite : {" null 1 ", " null 0 "}) {
      if (const auto at = line.find(sqlite); at != std::string::npos) line.replace(at, 8, " 56 0 ");
    }
  }
  std::sort(expected.begin(), expected.end());
  ASSERT_FALSE(expected.empty());
  const testing::TemporaryDemoDatabase postgres("tarn-schema-step");
  EXPECT_EQ(columnsOf(*openDatabase(postgres.connectionString())), expected);
}

// A value stored in an nvarchar column, a value compared with it, and whether `=` and LIKE
// (with the compared value as the pattern) match on each database.
struct RuleCase {
  const char* stored;
  const char* compared;
  bool sqliteEqual;
  bool postgresEqual;
  bool sqliteLike;
  bool postgresLike;
};

constexpr std::array<RuleCase, 12> kRuleCases{{
    {"abc", "ABC", true, true, true, true},
    {"abc", "abc  ", true, true, false, true},
    {"abc  ", "abc", true, true, false, true},
    {"abc", "ab%", false, false, true, true},
    {"华东区", "华%", false, false, true, true},
    {"abc", "ＡＢＣ", false, true, false, false},
    {"Éa", "éA", false, true, false, true},
    {"é", "e", false, false, false, false},
    {"a\tb", "A\tB", true, true, true, true},
    {"a b", "a  b", false, false, false, false},
    {"C:\\", "C:\\", true, true, true, true},
    {"a\\b", "a\\%", false, false, true, true},
}};

// Whether `=` and LIKE match for each case on `database`, whose table t holds nothing yet.
std::vector<std::array<bool, 2>> matches(Database& database) {
  std::vector<std::array<bool, 2>> found;
  for (const auto& c : kRuleCases) {
    database.queryNative(u"delete from t");
    const std::array<Variant, 1> stored{Variant(utf16(c.stored))};
    database.queryNative(u"insert into t (v) values (?)", stored);
    const std::array<Variant, 1> compared{Variant(utf16(c.compared))};
    found.push_back({database.queryNative(u"select count(*) from t where v = ?", compared)
                             .rows[0][0]
                             .toLong() == 1,
                     database.queryNative(u"select count(*) from t where v like ?", compared)
                             .rows[0][0]
                             .toLong() == 1});
  }
  return found;
}

void expectRule(Database& database, bool postgres) {
  const auto found = matches(database);
  for (std::size_t i = 0; i < kRuleCases.size(); ++i) {
    const auto& c = kRuleCases[i];
    SCOPED_TRACE(std::string(c.stored) + " against " + c.compared);
    EXPECT_EQ(found[i][0], postgres ? c.postgresEqual : c.sqliteEqual);
    EXPECT_EQ(found[i][1], postgres ? c.postgresLike : c.sqliteLike);
  }
}

TEST(DbComparisonRuleTest, Sqlite) {
  testing::TemporaryFolder folder("tarn-rule");
  const auto database = openDatabase(sqliteConnectionString(folder / "erp.db"), true);
  database->executeScript(u"create table t (v nvarchar(20) collate ERP_CI)");
  expectRule(*database, false);
}

TEST_F(DbPostgresSchemaTest, ComparisonRule) {
  const testing::TemporaryDemoDatabase postgres("tarn-rule");
  const auto database = openDatabase(postgres.connectionString());
  database->executeScript(u"create table t (v erp_text)");
  expectRule(*database, true);
}

}  // namespace
}  // namespace tarn::erp::db
