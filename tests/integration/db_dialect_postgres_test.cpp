// The SQL Server to PostgreSQL rewrite, compared as whole texts: the SQLite rewrite, with
// bracketed names folded to lower case unless they name a result column after AS.
#include <gtest/gtest.h>

#include "erp/db/dialect.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;
using testing::utf8;

struct PostgresCase {
  const char* sqlServer;
  const char* postgres;
};

void expectAdapted(const std::vector<PostgresCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sqlServer);
    EXPECT_EQ(utf8(adaptToPostgreSql(utf16(c.sqlServer))), c.postgres);
    EXPECT_EQ(utf8(adaptTo(Dialect::kPostgreSql, utf16(c.sqlServer))), c.postgres);
  }
}

TEST(DbDialectPostgresTest, TheComponentsStatements) {
  expectAdapted({
      {"select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = N'单据头' and "
       "B.cItem =N'自定义项3' and B.cID = A.cID and (cValue like N'%华%' or cAlias like N'%华%')",
       "select A.cValue, A.cAlias from UserDefine A, UserDef B where B.cClass = '单据头' and "
       "B.cItem ='自定义项3' and B.cID = A.cID and (cValue like '%华%' or cAlias like '%华%')"},
      {"select distinct free1 as [自由项1] from bas_part where InvCode =N'01001'",
       "select distinct free1 as \"自由项1\" from bas_part where InvCode ='01001'"},
      {"select distinct Free2 AS [Size M] from bas_part where InvCode =N'01001' and Free2 like "
       "N'%M%'",
       "select distinct Free2 AS \"Size M\" from bas_part where InvCode ='01001' and Free2 like "
       "'%M%'"},
      {"select top 1 BTTblName, cDefWhere from Vouchers where CardNumber = N'CT01'",
       "select BTTblName, cDefWhere from Vouchers where CardNumber = 'CT01' limit 1"},
      {"select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
       "syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = 'customer'and "
       "syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or systypes.name = "
       "'smallmoney') and syscolumns.name = 'iCreditLine'",
       "select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = "
       "syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = 'customer'and "
       "syscolumns.xusertype = systypes.xtype and (systypes.name = 'money' or systypes.name = "
       "'smallmoney') and syscolumns.name = 'iCreditLine'"},
      {"select * from [Contracts] where 1=0", "select * from \"contracts\" where 1=0"},
      {"select count(*) from sysobjects where sysobjects.name = ?and syscolumns.name = ?",
       "select count(*) from sysobjects where sysobjects.name = ? and syscolumns.name = ?"},
      {"where a = ?1 or b = ?_x or c = ?甲 or d = ?) and e = ?",
       "where a = ? 1 or b = ? _x or c = ? 甲 or d = ?) and e = ?"},
  });
}

TEST(DbDialectPostgresTest, BracketedNamesFoldUnlessGivenAfterAs) {
  expectAdapted({
      {"select [cValue], [A].[cAlias] from [UserDefine] [A]",
       "select \"cvalue\", \"a\".\"calias\" from \"userdefine\" \"a\""},
      {"select cValue as [Value], cAlias As [别名 A] from t",
       "select cValue as \"Value\", cAlias As \"别名 A\" from t"},
      {"select x as /* c */ [Kept], [Folded] from t",
       "select x as /* c */ \"Kept\", \"folded\" from t"},
      {"select [ÄB]]\"C] from t", "select \"Äb]\"\"c\" from t"},
      {"select [as] [X] from t", "select \"as\" \"x\" from t"},
      {"select [Unclosed", "select [Unclosed"},
      {"select \"MixedCase\" from t", "select \"MixedCase\" from t"},
  });
}

}  // namespace
}  // namespace tarn::erp::db
