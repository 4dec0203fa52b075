// velloc init as a process: an empty ERP database that the component can work in at once, a
// file that exists left alone unless --replace, and what init cannot create; init
// --service-tables and upgrade on an ERP database without service tables or of an older version.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "tests/kit/revision.h"
#include "tests/kit/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

struct VellocRun {
  int status;
  std::string out;
  std::string err;
};

std::string slurp(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

VellocRun velloc(const tarn::testing::TemporaryFolder& folder, const std::string& args) {
  const std::string command =
      "cd '" + folder.path().string() + "' && '" VELLOC_PATH "' " + args + " >out.txt 2>err.txt";
  const int raw = std::system(command.c_str());
  return VellocRun{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder / "out.txt"),
                   slurp(folder / "err.txt")};
}

TEST(VellocInitTest, CreatesAnEmptyErpDatabaseAndKeepsAnExistingOne) {
  struct Step {
    const char* args;
    int status;
    std::string out;
    std::string err;
  };
  const Step steps[] = {
      {"--db erp.db init", 0,
       "Created the empty ERP database erp.db (schema and service tables, no data).\n", ""},
      // The component works in it at once and finds no values: the demo's XL is refused.
      {"--db erp.db --json validate-free cfree2 XL", 0,
       "{\n  \"command\": \"validate-free\",\n  \"database\": \"erp.db\",\n  \"code\": -1,\n"
       "  \"meaning\": \"refused\",\n  \"typed\": \"XL\",\n  \"value\": \"XL\",\n"
       "  \"replaced\": false,\n  \"reason\": {\n    \"code\": \"unknown_item\",\n"
       "    \"message\": \"The database defines no such item.\"\n  },\n  \"stored\": null,\n"
       "  \"similar\": [],\n  \"archivable\": false\n}\n",
       ""},
      {"--db erp.db init", 1, "",
       "velloc: erp.db exists; give --replace to recreate it as an empty ERP database\n"},
      {"--db erp.db init --replace", 0,
       "Created the empty ERP database erp.db (schema and service tables, no data).\n", ""},
      {"--conn 'Data Source=erp.db' init", 1, "",
       "velloc: init creates a SQLite file: name it with --db FILE, not --conn\n"},
      {"init", 1, "", "velloc: init needs --db FILE, the new database\n"},
  };
  tarn::testing::TemporaryFolder folder("velloc-init");
  for (const auto& step : steps) {
    SCOPED_TRACE(step.args);
    const VellocRun run = velloc(folder, step.args);
    EXPECT_EQ(run.status, step.status);
    EXPECT_EQ(run.out, step.out);
    EXPECT_EQ(run.err, step.err);
  }
  EXPECT_FALSE(fs::exists(folder / "velloc-demo.db"));
}

// Runs SQL on a SQLite file with Debian's sqlite3 shell and the ERP collation the build makes
// beside velloc, as an administrator would.
// A sanitizer-instrumented extension cannot load into the uninstrumented shell, so the tests
// that need the shell are skipped in that build.
#ifdef TARN_SANITIZED
#define SKIP_WITHOUT_SHELL() GTEST_SKIP() << "the sqlite3 shell cannot load a sanitized extension"
#else
#define SKIP_WITHOUT_SHELL() static_cast<void>(0)
#endif

void sqlite(const tarn::testing::TemporaryFolder& folder, const std::string& file,
            const std::string& sql) {
  const fs::path extension =
      fs::path(VELLOC_PATH).parent_path().parent_path() / "lib" / "libtarn_sqlite_erp.so";
  const std::string command = "cd '" + folder.path().string() + "' && sqlite3 -bail -cmd '.load " +
                              extension.string() + "' " + file + " \"" + sql + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << sql;
}

struct Step {
  const char* args;
  int status;
  std::string out;
  std::string err;
};

void expectSteps(const tarn::testing::TemporaryFolder& folder, std::span<const Step> steps) {
  for (const auto& step : steps) {
    SCOPED_TRACE(step.args);
    const VellocRun run = velloc(folder, step.args);
    EXPECT_EQ(run.status, step.status);
    EXPECT_EQ(run.out, step.out);
    EXPECT_EQ(run.err, step.err);
  }
}

// A fresh database answers pick-lists from its default layouts, and archives once an item
// exists.
TEST(VellocInitTest, AFreshDatabaseAnswersPickListsAndArchives) {
  SKIP_WITHOUT_SHELL();
  tarn::testing::TemporaryFolder folder("velloc-init-fresh");
  ASSERT_EQ(velloc(folder, "--db erp.db init").status, 0);
  const std::string header = tarn::testing::revisionText(
      "Database erp.db\nSQL      Select A.cValue, A.cAlias from UserDefine A, UserDef B where "
      "B.cClass = N'单据头' and B.cItem =N'自定义项3' and B.cID = A.cID\nColumns  "
      "档案值,别名\n\n档案值  别名\n------  ----\n");
  const Step before[] = {{"--db erp.db ref cdefine3", 0, header + "0 rows\n", ""}};
  expectSteps(folder, before);
  sqlite(
      folder, "erp.db",
      "insert into UserDef (cID, cClass, cItem, cType, iMaxLen) values "
      "('H03', '单据头', '自定义项3', '文本', 30);"
      "insert into customer (cCusCode, cCusName) values ('C1', '甲公司');"
      "insert into TarnRowAuth (cUserId, cTableName, cAccess) values ('demo', 'customer', 'all')");
  const Step after[] = {
      {"--db erp.db validate cdefine3 华中 --build", 0,
       "Database erp.db\nResult   1  archived as a new value\nValue    华中\n"
       "Reason   The value was archived as a new value of the item. (archived)\n",
       ""},
      {"--db erp.db ref cdefine3", 0, header + "华中\n1 row\n", ""},
      {"--db erp.db ref cdefine1 --source archive --table customer --field cCusName", 0,
       "Database erp.db\nSQL      Select customer.iid, customer.cCusCode, customer.cCusName from "
       "customer where 1=1\nColumns  iid,cCusCode,cCusName\n\niid  cCusCode  cCusName\n---  "
       "--------  --------\n1    C1        甲公司\n1 row\n",
       ""},
  };
  expectSteps(folder, after);
}

// An ERP database without service tables is adopted, and the service tables of version 1
// (no TarnSchemaVersion) and 2 (no TarnRecentValue) are upgraded; the ERP data stays as it was.
TEST(VellocInitTest, ServiceTablesAreAddedToAnErpDatabaseAndUpgraded) {
  SKIP_WITHOUT_SHELL();
  tarn::testing::TemporaryFolder folder("velloc-init-adopt");
  ASSERT_EQ(velloc(folder, "--db erp.db demo").status, 0);
  sqlite(folder, "erp.db",
         "drop table TarnSchemaVersion; drop table TarnColumnLayout; drop table TarnRowAuthKey;"
         "drop table TarnRowAuth; drop table TarnJoinTable; drop table TarnResString;"
         "drop table TarnVoucherField; drop table TarnRecentValue");
  const Step adopt[] = {
      {"--db erp.db upgrade", 1, "",
       "velloc: the database failed: the database has no service tables: velloc init "
       "--service-tables adds them\n"},
      {"--db erp.db init --service-tables", 0,
       "Added the service tables TarnColumnLayout, TarnRowAuth, TarnRowAuthKey, TarnJoinTable, "
       "TarnResString, TarnVoucherField, TarnRecentValue, TarnSchemaVersion to erp.db (version 3; "
       "ERP tables untouched).\n",
       ""},
      {"--db erp.db init --service-tables", 0,
       "erp.db has every service table of version 3: nothing added.\n", ""},
      {"--db erp.db upgrade", 0,
       "The service tables of erp.db are at version 3, this program's: nothing to upgrade.\n", ""},
      {"--db erp.db --json validate cdefine3 HD", 0,
       "{\n  \"command\": \"validate\",\n  \"database\": \"erp.db\",\n  \"code\": 0,\n"
       "  \"meaning\": \"accepted\",\n  \"typed\": \"HD\",\n  \"value\": \"华东区\",\n"
       "  \"replaced\": true,\n  \"reason\": {\n    \"code\": \"alias\",\n"
       "    \"message\": \"The value is an alias, replaced by the value it stands for.\"\n"
       "  },\n  \"stored\": null,\n  \"similar\": [],\n  \"archivable\": true\n}\n",
       ""},
      {"--db erp.db init --service-tables --replace", 2, "",
       "velloc: --replace excludes --service-tables\n"},
      {"init --service-tables", 1, "",
       "velloc: init --service-tables needs --db FILE or --conn STRING, an ERP database\n"},
  };
  expectSteps(folder, adopt);

  sqlite(folder, "erp.db", "drop table TarnSchemaVersion");
  const Step upgrade[] = {
      {"--db erp.db init --service-tables", 1, "",
       "velloc: the database failed: the service tables are version 1: velloc upgrade brings "
       "them to version 3\n"},
      {"--db erp.db --json upgrade", 0,
       "{\n  \"command\": \"upgrade\",\n  \"database\": \"erp.db\",\n  \"versionBefore\": 1,\n"
       "  \"version\": 3,\n  \"tablesAdded\": [\n    \"TarnSchemaVersion\"\n  ]\n}\n",
       ""},
  };
  expectSteps(folder, upgrade);

  sqlite(folder, "erp.db", "drop table TarnRecentValue; update TarnSchemaVersion set iVersion = 2");
  const Step fromTwo[] = {
      {"--db erp.db upgrade", 0,
       "Upgraded the service tables of erp.db from version 2 to version 3 (added "
       "TarnRecentValue).\n",
       ""},
  };
  expectSteps(folder, fromTwo);

  sqlite(folder, "erp.db", "update TarnSchemaVersion set iVersion = 4");
  const Step newer[] = {
      {"--db erp.db upgrade", 1, "",
       "velloc: the database failed: the service tables are version 4, newer than this "
       "program's version 3: use a newer velloc\n"},
  };
  expectSteps(folder, newer);
}

}  // namespace
