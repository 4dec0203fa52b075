// The ERP database as another tool sees it: Debian's sqlite3 shell opens a demo database made
// by the outside components, loads libtarn_sqlite_erp and reads and writes the text columns
// (compared the way the embedded backend compares them) and asks the catalogue views the
// component's money-column question. Each case runs one script in a fresh shell on a fresh
// database and compares the shell's whole output (the .load line is the script's first).
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/temporary_folder.h"

namespace {

struct ShellCase {
  const char* name;
  bool loadExtension;
  std::string script;
  std::string expected;
};

// The shell's standard output and error together, for `script` run against `database`.
std::string runShell(const std::filesystem::path& database, const std::filesystem::path& script) {
  const std::string command = std::string(TARN_SQLITE3_SHELL) + " -batch '" + database.string() +
                              "' < '" + script.string() + "' 2>&1";
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "cannot start " + command;
  std::array<char, 4096> buffer{};
  while (const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
    output.append(buffer.data(), read);
  }
  pclose(pipe);
  return output;
}

std::string moneyQuestion(const std::string& table, const std::string& column) {
  return "select count(*) from sysobjects, syscolumns, systypes "
         "where sysobjects.id = syscolumns.id and sysobjects.xtype = 'u' and sysobjects.name = '" +
         table +
         "'and syscolumns.xusertype = systypes.xtype and "
         "(systypes.name = 'money' or systypes.name = 'smallmoney') and syscolumns.name = '" +
         column + "';\n";
}

const std::string kLoad = std::string(".load ") + TARN_SQLITE_EXTENSION + "\n";

TEST(SqliteShellTest, OpensTheErpDatabaseWithTheExtensionLoaded) {
  const ShellCase cases[] = {
      {"without the extension the text columns cannot be read", false,
       "select iid from customer where cCusCode = 'C001';\n",
       "Parse error near line 1: no such collation sequence: ERP_CI\n"},
      {"a key differing in case and trailing blanks finds the row", true,
       "select iid, cCusName from customer where cCusCode = 'c001  ';\n",
       "1|北京华联商贸有限公司\n"},
      {"the unique key takes a key differing in case and trailing blanks as the same", true,
       "insert into customer (iid, cCusCode, cCusName) values (90, 'c002 ', 'dup');\n"
       "select count(*) from customer where iid = 90;\n",
       "Runtime error near line 2: UNIQUE constraint failed: customer.cCusCode (19)\n0\n"},
      {"a new row is written and read back by another letter case", true,
       "insert into customer (iid, cCusCode, cCusName) values (91, 'N091', '新客户');\n"
       "select iid || ':' || cCusName from customer where cCusCode = 'n091 ';\n",
       "91:新客户\n"},
      {"the money column question through the catalogue views", true,
       moneyQuestion("CUSTOMER ", "icreditline") + moneyQuestion("customer", "cCusName") +
           moneyQuestion("nosuchtable", "iCreditLine"),
       "1\n0\n0\n"},
      {"the views describe tables, columns and types", true,
       "select xtype, type from sysobjects where name = 'CUSTOMER';\n"
       "select colid, xtype, xusertype, isnullable from syscolumns\n"
       "  where id = (select id from sysobjects where name = 'customer') order by colid;\n"
       "select count(*), sum(name = 'NVARCHAR') from systypes;\n",
       "U|U\n1|||1\n2|231|231|0\n3|231|231|0\n4|231|231|1\n5|231|231|1\n6|231|231|1\n"
       "7|60|60|1\n26|1\n"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    tarn::testing::TemporaryFolder folder("tarn-sqlite-shell");
    tarn::erp::createDemoDatabase(folder / "erp.db");
    std::ofstream(folder / "script.sql")
        << (row.loadExtension ? kLoad : std::string()) << row.script;
    EXPECT_EQ(runShell(folder / "erp.db", folder / "script.sql"), row.expected);
  }
}

}  // namespace
