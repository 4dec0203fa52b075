// The dialect per connection: a SQL Server receives the component's statements byte for byte;
// a SQLite connection says it speaks SQLite and gets the SQLite rewrite.
#include <gtest/gtest.h>

#include "erp/db/dialect.h"
#include "erp/db/open_database.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/printers.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;
using testing::utf8;

struct ChoiceCase {
  const char* statement;
  const char* forSqlite;
};

TEST(DbDialectChoiceTest, EachDialectGetsItsText) {
  const std::vector<ChoiceCase> cases = {
      {"select top 20 [cCusCode], cCusName from customer where cCusName like N'%华联%' "
       "order by cCusCode",
       "select \"cCusCode\", cCusName from customer where cCusName like '%华联%' "
       "order by cCusCode limit 20"},
      {"select count(*) from sysobjects, syscolumns, systypes where sysobjects.name = N'c''s'",
       "select count(*) from sysobjects, syscolumns, systypes where sysobjects.name = 'c''s'"},
      {"select N'a'N'b', [x]]y] -- N'kept' [kept]\n",
       "select 'a' 'b', \"x]y\" -- N'kept' [kept]\n"},
      {"select top 5 percent * from t", "select top 5 percent * from t"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.statement);
    const std::u16string text = utf16(c.statement);
    EXPECT_EQ(adaptTo(Dialect::kSqlServer, text), text);
    EXPECT_EQ(utf8(adaptTo(Dialect::kSqlite, text)), c.forSqlite);
  }
}

TEST(DbDialectChoiceTest, ASqliteConnectionSpeaksSqlite) {
  testing::TemporaryFolder folder("tarn-dialect-choice");
  const auto db = openDatabase(sqliteConnectionString(folder / "erp.db"), true);
  EXPECT_EQ(db->dialect(), Dialect::kSqlite);
}

}  // namespace
}  // namespace tarn::erp::db
