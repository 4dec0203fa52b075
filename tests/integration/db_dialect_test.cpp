// The SQL Server to SQLite rewrite, compared as whole texts.
#include <gtest/gtest.h>

#include "erp/db/dialect.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;
using testing::utf8;

struct DialectCase {
  const char* sqlServer;
  const char* sqlite;
};

void expectAdapted(const std::vector<DialectCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sqlServer);
    EXPECT_EQ(utf8(adaptToSqlite(utf16(c.sqlServer))), c.sqlite);
  }
}

TEST(DbDialectTest, UnicodeLiteralsLoseTheirPrefix) {
  expectAdapted({
      {"select * from t where a = N'甲'", "select * from t where a = '甲'"},
      {"select n'x',N''", "select 'x',''"},
      {"where a=N'it''s' and b=N'N''x'", "where a='it''s' and b='N''x'"},
      {"where a = 'say N''hi'''", "where a = 'say N''hi'''"},
      {"where a = 'N' + 'x'", "where a = 'N' + 'x'"},
      {"select colN'alias' from t", "select colN'alias' from t"},
      {"select [N]'x'", "select \"N\"'x'"},
      {"select N 'x'", "select N 'x'"},
      {"select N'unclosed", "select 'unclosed"},
  });
}

TEST(DbDialectTest, BracketedIdentifiersBecomeQuoted) {
  expectAdapted({
      {"select [cCusName] from [customer]", "select \"cCusName\" from \"customer\""},
      {"select a as [a]]b] from t", "select a as \"a]b\" from t"},
      {"select a as [x]]] from t", "select a as \"x]\" from t"},
      {"select a as [say \"hi\"] from t", "select a as \"say \"\"hi\"\"\" from t"},
      {"select [客户 名称] from t", "select \"客户 名称\" from t"},
      {"select '[a]', \"[b]\" from t", "select '[a]', \"[b]\" from t"},
      {"select [unclosed", "select [unclosed"},
      {"select [a]]", "select [a]]"},
  });
}

TEST(DbDialectTest, TopBecomesLimitOfTheOuterSelect) {
  expectAdapted({
      {"select top 1 a from t", "select a from t limit 1"},
      {"SELECT TOP 10 * FROM t", "SELECT * FROM t limit 10"},
      {"select distinct top 1 a from t where b = N'x'",
       "select distinct a from t where b = 'x' limit 1"},
      {"select top 1 a from t where b > 2 order by a desc, b",
       "select a from t where b > 2 order by a desc, b limit 1"},
      {"select top (5) a from t order by a", "select a from t order by a limit 5"},
      {"select top 1 a from t order by a;", "select a from t order by a limit 1;"},
      {"select top 1 a from t -- first\n", "select a from t limit 1 -- first\n"},
      {"select top 1 a from t /* c */ ", "select a from t limit 1 /* c */ "},
      {"select top /* n */ 1 a from t", "select /* n */a from t limit 1"},
      {"select top 1 a from (select top 2 a from t order by a) x",
       "select a from (select top 2 a from t order by a) x limit 1"},
      {"select a from t where a in (select top 1 b from u)",
       "select a from t where a in (select top 1 b from u)"},
      {"select top 1 a from t; select top 2 b from u",
       "select a from t limit 1; select b from u limit 2"},
      {"insert into t select top 3 a from u", "insert into t select a from u limit 3"},
      {"select top 1.5 a from t", "select top 1.5 a from t"},
      {"select top 1 percent a from t", "select top 1 percent a from t"},
      {"select top 21e3 a from t", "select top 21e3 a from t"},
      {"select top 5x from t", "select top 5x from t"},
      {"select top 1 with ties a from t", "select top 1 with ties a from t"},
      {"select top n a from t", "select top n a from t"},
      {"select [top] from t", "select \"top\" from t"},
      {"select 'select top 1' from t", "select 'select top 1' from t"},
      {"select top 1 a from t union all select b from u",
       "select top 1 a from t union all select b from u"},
      {"select top 1 a from t where a in (select b from u union select c from v)",
       "select a from t where a in (select b from u union select c from v) limit 1"},
  });
}

TEST(DbDialectTest, CommentsQuotedTextAndTheRestPassThrough) {
  expectAdapted({
      {"", ""},
      {"select a -- N'x' [b] top 1\nfrom t", "select a -- N'x' [b] top 1\nfrom t"},
      {"select /* [a] N'b' */ a from t", "select /* [a] N'b' */ a from t"},
      {"select \"[a]\", 'N''[b]' from t", "select \"[a]\", 'N''[b]' from t"},
      {"select a /* unclosed [b]", "select a /* unclosed [b]"},
      {"select 'unclosed [b]", "select 'unclosed [b]"},
      {"update t set a = isnull(b, 0) where c like '%x_%'",
       "update t set a = isnull(b, 0) where c like '%x_%'"},
      {"select count(*) from sysobjects, syscolumns, systypes where sysobjects.name = "
       "'customer'and syscolumns.name = 'iCreditLine'",
       "select count(*) from sysobjects, syscolumns, systypes where sysobjects.name = "
       "'customer'and syscolumns.name = 'iCreditLine'"},
  });
}

}  // namespace
}  // namespace tarn::erp::db
