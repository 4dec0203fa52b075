// The SQLite backend through openDatabase: opening, running statements in both dialects, values,
// failures, the ERP_CI collation and the catalogue views the component queries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "erp/db/erp_collation.h"
#include "erp/db/open_database.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp::db {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using automation::Variant;
using testing::utf16;
using testing::utf8;

class DbSqliteTest : public ::testing::Test {
 protected:
  std::u16string connectionTo(const std::string& file) {
    return u"Provider=SQLite;Data Source=" + (folder_ / file).u16string();
  }

  std::unique_ptr<Database> create(const std::string& file = "test.db") {
    return openDatabase(*ConnectionString::parse(connectionTo(file)), true);
  }

  const ::tarn::testing::TemporaryFolder folder_{"tarn-db-sqlite"};
};

// Opens `connection` and expects kComponentFailure with exactly `message`.
void expectOpenFailure(const std::u16string& connection, bool createIfMissing,
                       const std::string& message) {
  try {
    openDatabase(*ConnectionString::parse(connection), createIfMissing);
    FAIL() << "opened " << utf8(connection);
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
    EXPECT_EQ(error.what(), message);
  }
}

std::vector<Variant> singleColumn(const ResultSet& result) {
  std::vector<Variant> values;
  for (const auto& row : result.rows) values.push_back(row.at(0));
  return values;
}

TEST_F(DbSqliteTest, OpensWithEveryFileKeyAndProviderSpelling) {
  const std::vector<std::string> prefixes = {
      "Data Source=", "Provider=SQLite;DataSource=", "provider=sqlite; database = ",
      " PROVIDER = SQLite ; DATA SOURCE="};
  for (std::size_t i = 0; i < prefixes.size(); ++i) {
    SCOPED_TRACE(prefixes[i]);
    const auto file = folder_ / ("open" + std::to_string(i) + ".db");
    const auto connection = ConnectionString::parse(utf16(prefixes[i]) + file.u16string());
    ASSERT_TRUE(connection);
    openDatabase(*connection, true)->executeScript(u"create table t (a int);");
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_NO_THROW(openDatabase(*connection)->query(u"select a from t"));
  }
}

TEST_F(DbSqliteTest, OpenFailuresRaiseComponentFailure) {
  const std::string missing = (folder_ / "missing.db").string();
  expectOpenFailure(
      connectionTo("missing.db"), false,
      "Component failure: cannot open database '" + missing + "': unable to open database file");
  EXPECT_FALSE(std::filesystem::exists(missing));
  expectOpenFailure(u"Provider=Oracle;Data Source=x.db", true,
                    "Component failure: unknown database provider 'Oracle' (Provider= supports "
                    "SQLite, SQLOLEDB, SQLNCLI11, MSOLEDBSQL and MSDASQL)");
  expectOpenFailure(u"Provider=SQLite;User ID=sa", true,
                    "Component failure: the connection string names no Data Source");

  const std::string notADatabase = (folder_ / "text.db").string();
  std::ofstream(notADatabase) << "this is not a database file, just some text long enough";
  expectOpenFailure(
      connectionTo("text.db"), false,
      "Component failure: cannot open database '" + notADatabase + "': file is not a database");
}

TEST_F(DbSqliteTest, ValuesComeBackAsAutomationVariants) {
  auto db = create();
  db->executeScript(u"create table v (id integer primary key, x);");
  const std::vector<Variant> inserted = {Variant::null(),
                                         Variant(),
                                         Variant(true),
                                         Variant(std::int16_t{-7}),
                                         Variant(std::int32_t{2147483647}),
                                         Variant(2.5),
                                         Variant(u"中文 text")};
  for (const auto& value : inserted) {
    db->queryNative(u"insert into v (x) values (?)", std::span(&value, 1));
  }
  db->queryNative(u"insert into v (x) values (2147483648)");
  db->queryNative(u"insert into v (x) values (-2147483649)");

  const auto result = db->query(u"select x from v order by id");
  EXPECT_EQ(result.columns, std::vector<std::u16string>{u"x"});
  const std::vector<Variant> expected = {Variant::null(),
                                         Variant::null(),
                                         Variant(std::int32_t{1}),
                                         Variant(std::int32_t{-7}),
                                         Variant(std::int32_t{2147483647}),
                                         Variant(2.5),
                                         Variant(u"中文 text"),
                                         Variant(2147483648.0),
                                         Variant(-2147483649.0)};
  EXPECT_EQ(singleColumn(result), expected);
}

TEST_F(DbSqliteTest, QueryAdaptsSqlServerDialect) {
  auto db = create();
  db->executeScript(
      u"create table customer (code nvarchar(20) collate ERP_CI, name nvarchar(50));"
      u"insert into customer values ('C2', '乙'), ('C1', '甲'), ('C3', 'it''s');");
  EXPECT_EQ(singleColumn(db->query(u"select top 1 [name] from customer order by code desc")),
            std::vector<Variant>{Variant(u"it's")});
  EXPECT_EQ(singleColumn(db->query(u"select [code] from customer where name = N'甲'")),
            std::vector<Variant>{Variant(u"C1")});
}

TEST_F(DbSqliteTest, StatementFailuresRaiseWithTheDatabaseMessage) {
  auto db = create();
  db->executeScript(u"create table t (a int not null);");
  struct Case {
    std::u16string sql;
    std::vector<Variant> parameters;
    std::string message;
  };
  const std::vector<Case> cases = {
      {u"select b from t", {}, "Component failure: no such column: b"},
      {u"insert into t values (null)", {}, "Component failure: NOT NULL constraint failed: t.a"},
      {u"select 1; select 2", {}, "Component failure: one statement at a time: select 1; select 2"},
      {u"select ?", {}, "Component failure: the statement takes 1 parameters, 0 given: select ?"},
      {u"select x'00'",
       {},
       "Component failure: column x'00' holds binary data, which a record "
       "set cannot carry"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.sql));
    try {
      db->queryNative(c.sql, c.parameters);
      ADD_FAILURE() << "no failure";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.code(), ErrorCode::kComponentFailure);
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

TEST_F(DbSqliteTest, TrailingSemicolonsAndCommentsAreOneStatement) {
  auto db = create();
  EXPECT_EQ(singleColumn(db->query(u"select 1; -- done\n;")),
            std::vector<Variant>{Variant(std::int32_t{1})});
}

TEST_F(DbSqliteTest, RowsChangedCountsWrites) {
  auto db = create();
  db->executeScript(u"create table t (a int); insert into t values (1), (2), (3);");
  db->query(u"update t set a = a + 1 where a > 1");
  EXPECT_EQ(db->rowsChanged(), 2);
  db->query(u"delete from t where a > 100");
  EXPECT_EQ(db->rowsChanged(), 0);
  db->query(u"select a from t");
  EXPECT_EQ(db->rowsChanged(), -1);
}

TEST_F(DbSqliteTest, RollbackUndoesAndCommitKeeps) {
  auto db = create();
  db->executeScript(u"create table t (a int);");
  db->begin();
  db->query(u"insert into t values (1)");
  db->rollback();
  db->begin();
  db->query(u"insert into t values (2)");
  db->commit();
  EXPECT_EQ(singleColumn(create()->query(u"select a from t")),
            std::vector<Variant>{Variant(std::int32_t{2})});
}

TEST_F(DbSqliteTest, ForeignKeysAreEnforced) {
  auto db = create();
  db->executeScript(
      u"create table parent (id integer primary key);"
      u"create table child (parent integer references parent (id));");
  EXPECT_THROW(db->query(u"insert into child values (42)"), AutomationError);
}

TEST(ErpCollationTest, ComparesLikeSqlServerCaseInsensitiveCollations) {
  struct Case {
    std::u16string a;
    std::u16string b;
    int expected;
  };
  const std::vector<Case> cases = {
      {u"abc", u"ABC", 0},    {u"abc", u"abc   ", 0}, {u"ABC  ", u"abc", 0}, {u"", u"   ", 0},
      {u"abc", u"abd", -1},   {u"ABD", u"abc", 1},    {u"ab", u"abc", -1},   {u"ab", u"ab\t", 1},
      {u"abc\t", u"abc", -1}, {u" abc", u"abc", -1},  {u"Ä", u"ä", -1},      {u"a_", u"A_", 0},
      {u"中文", u"中文 ", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.a) + " vs " + utf8(c.b));
    EXPECT_EQ(compareErpCi(utf8(c.a), utf8(c.b)), c.expected);
    EXPECT_EQ(compareErpCi(utf8(c.b), utf8(c.a)), -c.expected);
  }
}

TEST_F(DbSqliteTest, ErpCollationAppliesToDeclaredColumns) {
  auto db = create();
  db->executeScript(
      u"create table t (id integer primary key, name nvarchar(20) collate ERP_CI);"
      u"insert into t (name) values ('Abc'), ('abc  '), ('ABD'), ('ab'), ('abc\t');");
  struct Case {
    std::u16string where;
    std::vector<Variant> ids;
  };
  const std::vector<Case> cases = {
      {u"name = 'ABC'", {Variant(std::int32_t{1}), Variant(std::int32_t{2})}},
      {u"name = 'abc '", {Variant(std::int32_t{1}), Variant(std::int32_t{2})}},
      {u"name = 'abd'", {Variant(std::int32_t{3})}},
      {u"name like 'AB%'",
       {Variant(std::int32_t{1}), Variant(std::int32_t{2}), Variant(std::int32_t{3}),
        Variant(std::int32_t{4}), Variant(std::int32_t{5})}},
      {u"name like 'ab_'", {Variant(std::int32_t{1}), Variant(std::int32_t{3})}},
      {u"name in (select 'AB')", {Variant(std::int32_t{4})}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.where));
    EXPECT_EQ(singleColumn(db->query(u"select id from t where " + c.where + u" order by id")),
              c.ids);
  }
  EXPECT_EQ(singleColumn(db->query(u"select id from t order by name, id")),
            (std::vector<Variant>{Variant(std::int32_t{4}), Variant(std::int32_t{5}),
                                  Variant(std::int32_t{1}), Variant(std::int32_t{2}),
                                  Variant(std::int32_t{3})}));
}

// The catalogue query as the component sends it, for one table and column.
std::u16string moneyColumnQuery(std::u16string_view table, std::u16string_view column) {
  return u"select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
         u"syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = '" +
         std::u16string(table) +
         u"'and syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or "
         u"systypes.name = 'smallmoney') and syscolumns.name = '" +
         std::u16string(column) + u"'";
}

TEST_F(DbSqliteTest, CatalogueViewsFindMoneyColumns) {
  auto db = create();
  db->executeScript(
      u"create table Customer (cCusCode nvarchar(20) collate ERP_CI primary key,"
      u"  cCusName nvarchar(98) collate ERP_CI, iCreditLine money, fDiscount smallmoney,"
      u"  fRate decimal(18, 2), MONEY int);"
      u"create table vendor (iCreditLine float);"
      u"create view customer_view as select * from Customer;");
  struct Case {
    std::u16string table;
    std::u16string column;
    int count;
  };
  const std::vector<Case> cases = {
      {u"customer", u"iCreditLine", 1},
      {u"CUSTOMER", u"icreditline", 1},
      {u"Customer", u"fDiscount", 1},
      {u"customer", u"cCusName", 0},
      {u"customer", u"fRate", 0},
      {u"customer", u"MONEY", 0},
      {u"customer", u"missing", 0},
      {u"vendor", u"iCreditLine", 0},
      {u"customer_view", u"iCreditLine", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(utf8(c.table) + "." + utf8(c.column));
    EXPECT_EQ(singleColumn(db->query(moneyColumnQuery(c.table, c.column))),
              std::vector<Variant>{Variant(std::int32_t{c.count})});
  }
}

TEST_F(DbSqliteTest, CatalogueViewsDescribeObjectsAndColumns) {
  auto db = create();
  db->executeScript(
      u"create table t (a nvarchar(10) not null, b money);"
      u"create view w as select a from t;");
  const auto objects = db->query(u"select name, xtype from sysobjects order by name");
  EXPECT_EQ(objects.rows, (std::vector<std::vector<Variant>>{{Variant(u"t"), Variant(u"U")},
                                                             {Variant(u"w"), Variant(u"V")}}));
  const auto columns = db->query(
      u"select c.name, c.colid, c.xtype, c.isnullable from syscolumns c, sysobjects o "
      u"where c.id = o.id and o.name = 'T' order by c.colid");
  EXPECT_EQ(columns.rows, (std::vector<std::vector<Variant>>{
                              {Variant(u"a"), Variant(std::int32_t{1}), Variant(std::int32_t{231}),
                               Variant(std::int32_t{0})},
                              {Variant(u"b"), Variant(std::int32_t{2}), Variant(std::int32_t{60}),
                               Variant(std::int32_t{1})}}));
}

}  // namespace
}  // namespace tarn::erp::db
