// The catalogue views as kept per connection: the component's money-column question answered by
// lookups, whole views read without any, and schema changes seen at once from any connection.
#include <gtest/gtest.h>

#include "erp/db/open_database.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"
#include "userdefine/validate_sql.h"

namespace tarn::erp::db {
namespace {

using automation::Variant;
using testing::utf8;
using Rows = std::vector<std::vector<Variant>>;

class DbCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = open();
    db_->executeScript(
        u"create table customer (iid integer primary key autoincrement,"
        u"  cCusCode nvarchar(20) collate ERP_CI, iCreditLine money, fRate DECIMAL (18, 2),"
        u"  cNote, fOdd number(4));"
        u"create view rich as select cCusCode, iCreditLine from customer;");
  }

  std::unique_ptr<Database> open() {
    return openDatabase(sqliteConnectionString(folder_ / "erp.db"), true);
  }

  testing::TemporaryFolder folder_{"tarn-db-catalogue"};
  std::unique_ptr<Database> db_;
};

// The money-column question as the component writes it, from its own pieces of SQL.
std::u16string moneyColumnQuery(std::u16string_view table, std::u16string_view column) {
  namespace sql = userdefine::validate_sql;
  return std::u16string(sql::kMoneyColumnHead) + std::u16string(table) +
         std::u16string(sql::kMoneyColumnMiddle) + std::u16string(column) +
         std::u16string(sql::kMoneyColumnEnd);
}

Variant countOf(Database& db, std::u16string_view table, std::u16string_view column) {
  return db.query(moneyColumnQuery(table, column)).rows.at(0).at(0);
}

TEST_F(DbCatalogueTest, TheMoneyCheckLooksUpOneTableItsColumnsAndTheirTypes) {
  std::vector<std::string> plan;
  for (const auto& row :
       db_->query(u"explain query plan " + moneyColumnQuery(u"customer", u"iCreditLine")).rows) {
    plan.push_back(utf8(row.at(3).toString()));
  }
  EXPECT_EQ(plan, (std::vector<std::string>{"SCAN sysobjects VIRTUAL TABLE INDEX 2:",
                                            "SCAN syscolumns VIRTUAL TABLE INDEX 1:",
                                            "SCAN systypes VIRTUAL TABLE INDEX 4:"}));
  EXPECT_EQ(countOf(*db_, u"CUSTOMER ", u"icreditline"), Variant(std::int32_t{1}));
}

TEST_F(DbCatalogueTest, WholeViewsReadWithoutLookups) {
  EXPECT_EQ(db_->query(u"select name, xtype, type from sysobjects order by name").rows,
            (Rows{{Variant(u"customer"), Variant(u"U"), Variant(u"U")},
                  {Variant(u"rich"), Variant(u"V"), Variant(u"V")},
                  {Variant(u"sqlite_sequence"), Variant(u"S"), Variant(u"S")}}));
  const Variant null = Variant::null();
  EXPECT_EQ(
      db_->query(u"select o.name, c.name, c.colid, c.xtype, c.xusertype, c.isnullable "
                 u"from syscolumns c join sysobjects o on o.id = c.id "
                 u"where o.xtype <> 'S' order by o.name, c.colid")
          .rows,
      (Rows{{Variant(u"customer"), Variant(u"iid"), Variant(std::int32_t{1}), null, null,
             Variant(std::int32_t{1})},
            {Variant(u"customer"), Variant(u"cCusCode"), Variant(std::int32_t{2}),
             Variant(std::int32_t{231}), Variant(std::int32_t{231}), Variant(std::int32_t{1})},
            {Variant(u"customer"), Variant(u"iCreditLine"), Variant(std::int32_t{3}),
             Variant(std::int32_t{60}), Variant(std::int32_t{60}), Variant(std::int32_t{1})},
            {Variant(u"customer"), Variant(u"fRate"), Variant(std::int32_t{4}),
             Variant(std::int32_t{106}), Variant(std::int32_t{106}), Variant(std::int32_t{1})},
            {Variant(u"customer"), Variant(u"cNote"), Variant(std::int32_t{5}), null, null,
             Variant(std::int32_t{1})},
            {Variant(u"customer"), Variant(u"fOdd"), Variant(std::int32_t{6}), null, null,
             Variant(std::int32_t{1})},
            {Variant(u"rich"), Variant(u"cCusCode"), Variant(std::int32_t{1}),
             Variant(std::int32_t{231}), Variant(std::int32_t{231}), Variant(std::int32_t{1})},
            {Variant(u"rich"), Variant(u"iCreditLine"), Variant(std::int32_t{2}),
             Variant(std::int32_t{60}), Variant(std::int32_t{60}), Variant(std::int32_t{1})}}));
  EXPECT_EQ(db_->query(u"select count(*) from systypes where name like '%money'").rows,
            (Rows{{Variant(std::int32_t{2})}}));
}

TEST_F(DbCatalogueTest, SchemaChangesShowAtOnceFromEitherConnection) {
  const auto other = open();
  EXPECT_EQ(countOf(*db_, u"customer", u"iLimit"), Variant(std::int32_t{0}));
  EXPECT_EQ(countOf(*db_, u"vendor", u"iLimit"), Variant(std::int32_t{0}));
  other->executeScript(
      u"alter table customer add column iLimit smallmoney;"
      u"create table vendor (iLimit money);");
  EXPECT_EQ(countOf(*db_, u"customer", u"iLimit"), Variant(std::int32_t{1}));
  EXPECT_EQ(countOf(*db_, u"vendor", u"iLimit"), Variant(std::int32_t{1}));
  db_->executeScript(u"drop table vendor;");
  EXPECT_EQ(countOf(*db_, u"vendor", u"iLimit"), Variant(std::int32_t{0}));
  EXPECT_EQ(countOf(*other, u"vendor", u"iLimit"), Variant(std::int32_t{0}));
}

}  // namespace
}  // namespace tarn::erp::db
