// The velloc command run as a process against a fresh demo database: exit statuses, the JSON
// answers field by field, and the messages a user gets for mistakes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/kit/revision.h"
#include "tests/kit/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

struct ProcessResult {
  int status;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string slurp(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class VellocProcessTest : public ::testing::Test {
 protected:
  // Runs velloc in the test's folder; standard input is `input`.
  ProcessResult velloc(const std::vector<std::string>& args, const std::string& input = "") {
    std::ofstream(folder_ / "in.txt") << input;
    std::string command = "cd " + quoted(folder_.path().string()) + " && " + quoted(VELLOC_PATH);
    for (const auto& a : args) command += " " + quoted(a);
    command += " <in.txt >out.txt 2>err.txt";
    const int raw = std::system(command.c_str());
    return ProcessResult{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder_ / "out.txt"),
                         slurp(folder_ / "err.txt")};
  }

  nlohmann::json jsonOf(const std::vector<std::string>& args) {
    const ProcessResult run = velloc(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return nlohmann::json::parse(run.out);
  }

  const tarn::testing::TemporaryFolder folder_{"velloc-cli"};
};

TEST_F(VellocProcessTest, DemoCreatesTheDatabaseAndSaysWhatToTry) {
  const ProcessResult run = velloc({"demo"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Try next:"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder_ / "velloc-demo.db"));

  const auto json = jsonOf({"--db", "other.db", "--json", "demo"});
  EXPECT_EQ(json["command"], "demo");
  EXPECT_EQ(json["database"], "other.db");
  EXPECT_TRUE(fs::exists(folder_ / "other.db"));
}

TEST_F(VellocProcessTest, TheDefaultDatabaseIsCreatedOnFirstUseWithANotice) {
  const ProcessResult run = velloc({"validate-free", "cfree2", "XL"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "velloc: created the demo database velloc-demo.db in this folder\n");
  EXPECT_EQ(velloc({"validate-free", "cfree2", "XL"}).err, "");
}

TEST_F(VellocProcessTest, AListReferenceShowsItsPickList) {
  const auto json = jsonOf({"ref", "cdefine3", "--match", "华", "--json"});
  EXPECT_EQ(json["command"], "ref");
  EXPECT_EQ(json["ok"], true);
  EXPECT_EQ(json["columnWidth"], "");
  EXPECT_EQ(json["shown"], json["rows"].size());
  EXPECT_EQ(json["more"], false);
  EXPECT_EQ(json.contains("rowCount"), false);
  EXPECT_GE(json["rows"].size(), 3u);
  for (const auto& row : json["rows"]) {
    EXPECT_NE(row[0].get<std::string>().find("华"), std::string::npos) << row.dump();
  }
}

TEST_F(VellocProcessTest, AStructuredFreeItemListsItsParts) {
  const auto json = jsonOf({"free-ref", "cfree1", "--inventory", "01001", "--json"});
  EXPECT_EQ(json["ok"], true);
  EXPECT_EQ(json["columnWidth"], "3000");
  EXPECT_EQ(json["rows"], nlohmann::json::parse(R"([["白"], ["蓝"]])"));
}

TEST_F(VellocProcessTest, ValidationsReportTheirCodesAndValues) {
  auto json = jsonOf({"validate", "cdefine3", "HD", "--json"});
  EXPECT_EQ(json["command"], "validate");
  EXPECT_EQ(json["code"], 0);
  EXPECT_EQ(json["meaning"], "accepted");
  EXPECT_EQ(json["typed"], "HD");
  EXPECT_EQ(json["value"], "华东区");
  EXPECT_EQ(json["replaced"], true);

  json = jsonOf({"validate", "cdefine4", "12.5", "--build", "--json"});
  EXPECT_EQ(json["code"], -2);
  EXPECT_EQ(json["meaning"], "not archived");

  json = jsonOf({"validate-free", "cfree2", "特大", "--json"});
  EXPECT_EQ(json["code"], 0);
  EXPECT_EQ(json["value"], "XL");

  json = jsonOf({"validate-free", "cfree1", "紫", "--build", "--json"});
  EXPECT_EQ(json["code"], 1);
  json = jsonOf({"validate-free", "cfree1", "紫", "--json"});
  EXPECT_EQ(json["code"], 0);
}

TEST_F(VellocProcessTest, MistakesGiveAClearMessageAndANonZeroStatus) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"ref", "cdefine3", "--colour", "red"}, 2, "--colour"},
      {{"launch"}, 2, "unknown command 'launch'"},
      {{}, 2, "A subcommand is required"},
      {{"--db", "missing.db", "ref", "cdefine3"},
       1,
       "velloc: database file not found: missing.db (create the demo with: velloc demo --db "
       "missing.db, or an empty ERP database with: velloc init --db missing.db)\n"},
      {{"ref", "cdefine3", "--limit", "-1"},
       2,
       "velloc: --limit: expected a whole number of rows, 0 for all, not -1\n"},
      {{"--conn", "Driver=/nowhere/odbc.so;Servername=db;Database=erp", "demo", "--replace"},
       2,
       "velloc: --replace recreates a SQLite file; a server database is dropped and made again "
       "by its administrator, then filled by demo without --replace\n"},
      {{"--conn", "Driver=/nowhere/odbc.so;Servername=db;Database=erp", "init", "--replace"},
       2,
       "velloc: --replace recreates a SQLite file; a server database is dropped and made again "
       "by its administrator, then filled by init without --replace\n"},
      {{"--conn", "Provider=SQLite;Data Source=missing.db", "validate", "cdefine3", "x"},
       1,
       "cannot open database 'missing.db'"},
      {{"--conn", "garbage", "ref", "cdefine3"}, 1, "malformed connection string (expected"},
      {{"--conn", "Data Source=x.db;Password=s3cret;Oops", "ref", "cdefine3"},
       1,
       "malformed connection string (expected"},
      {{"--conn", "Provider=Oracle;Data Source=x", "ref", "cdefine3"},
       1,
       "unknown database provider 'Oracle'"},
      {{"ref", "cdefine3", "--source", "99999999999"}, 2, "a whole number from -32768 to 32767"},
      {{"ref", "cdefine3", "--section", "1.5"}, 2, "--section: expected header, body or"},
      {{"--conn", "Data Source=x.db", "demo"}, 1, "name it with --db FILE, not --conn"},
      {{"--conn", "a", "--db", "b", "ref", "cdefine3"},
       2,
       "give one of --conn, --conn-file and --db, not several"},
      {{"--conn-file", "nofile", "ref", "cdefine3"},
       2,
       "--conn-file nofile: no connection string on its first line"},
      {{"--conn-file", "c.txt", "--db", "b", "ref", "cdefine3"}, 2, "give one of --conn"},
      {{"ref", "cdefine1", "--source", "archive"}, 2, "--source archive needs --table"},
      {{"validate", "cdefine1", "x", "--source", "archive", "--table", "customer"},
       2,
       "--source archive needs --field"},
      {{"ref", "cdefine1", "--source", "archive", "--table", "nosuch"},
       2,
       "unknown archive table 'nosuch': the database has no such table"},
      {{"ref", "cdefine2", "--source", "voucher"}, 2, "--source voucher needs --card"},
      {{"--db", "", "ref", "cdefine3"}, 2, "--db is empty"},
      {{"--conn", "", "ref", "cdefine3"}, 2, "--conn is empty"},
      {{"--match", "x", "ref", "cdefine3"},
       2,
       "--match belongs to the command: put it after 'ref'"},
      {{"--db", "x\x1b[31mRED", "ref", "cdefine3"}, 1, "database file not found: x\\x1b[31mRED"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const ProcessResult run = velloc(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("terminate"), std::string::npos);
    EXPECT_EQ(run.err.find("s3cret"), std::string::npos);
  }
}

// A connection string with a password stays out of the process list: it comes from a file or the
// environment, and neither is shown.
TEST_F(VellocProcessTest, TheConnectionStringComesFromAFileOrTheEnvironment) {
  ASSERT_EQ(velloc({"--db", "erp.db", "demo"}).status, 0);
  const std::string connection =
      "Provider=SQLite;Data Source=" + (folder_ / "erp.db").string() + ";Password=s3cret";
  std::ofstream(folder_ / "conn.txt") << connection << "\r\nignored\n";
  EXPECT_EQ(jsonOf({"--conn-file", "conn.txt", "validate", "cdefine3", "HD", "--json"})["value"],
            "华东区");

  ::setenv("VELLOC_CONN", connection.c_str(), 1);
  const auto fromEnvironment = jsonOf({"validate", "cdefine3", "HD", "--json"});
  const ProcessResult overridden = velloc({"--db", "missing.db", "ref", "cdefine3"});
  ::unsetenv("VELLOC_CONN");
  EXPECT_EQ(fromEnvironment["value"], "华东区");
  EXPECT_EQ(fromEnvironment.dump().find("s3cret"), std::string::npos);
  EXPECT_EQ(overridden.err.find("velloc: database file not found: missing.db"), 0u);
}

// The people file keeps hashes only, and its commands say what they did.
TEST_F(VellocProcessTest, ThePeopleFileIsManagedWithoutAPasswordOnTheCommandLine) {
  struct Step {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out, err;
  };
  const Step steps[] = {
      {{"add", "wang", "--erp-user", "clerk01"},
       "s3cret-pw\n",
       0,
       "Added wang (ERP user clerk01) to people.json.\n",
       ""},
      {{"add", "wang", "--erp-user", "demo"},
       "other-pw\n",
       2,
       "",
       "velloc: 'wang' is already in the people file\n"},
      {{"add", "li", "--erp-user", "demo"},
       "short\n",
       2,
       "",
       "velloc: the password is shorter than 8 characters\n"},
      {{"add", "a b", "--erp-user", "demo"},
       "long-enough\n",
       2,
       "",
       "velloc: the name 'a b' may hold letters, digits and . _ - @ only\n"},
      {{"add", "a\tb", "--erp-user", "demo"},
       "long-enough\n",
       2,
       "",
       "velloc: the name 'a\\x09b' must be 1 to 64 bytes without control characters\n"},
      {{"list"}, "", 0, "name  ERP user  tokens\n----  --------  ------\nwang  clerk01   0\n", ""},
      {{"remove", "zhao"}, "", 2, "", "velloc: 'zhao' is not in the people file\n"},
      {{"remove", "wang"}, "", 0, "Removed wang from people.json.\n", ""},
      {{"list"}, "", 0, "name  ERP user  tokens\n----  --------  ------\n", ""},
  };
  for (const auto& step : steps) {
    std::vector<std::string> args{"user", "--users", "people.json"};
    args.insert(args.end(), step.args.begin(), step.args.end());
    SCOPED_TRACE(args[3]);
    const ProcessResult run = velloc(args, step.input);
    EXPECT_EQ(run.status, step.status);
    EXPECT_EQ(run.out, step.out);
    EXPECT_EQ(run.err, step.err);
  }
  EXPECT_EQ(slurp(folder_ / "people.json").find("s3cret"), std::string::npos);
  EXPECT_EQ(fs::status(folder_ / "people.json").permissions() & fs::perms::group_all,
            fs::perms::none);
}

// Each field name with whether the component can ever take it as an item; a door lets through
// every name it can take, whatever the component then answers, and refuses the others.
TEST_F(VellocProcessTest, TheDoorsRefuseOnlyItemNamesTheComponentCanNeverTake) {
  ASSERT_EQ(velloc({"demo"}).status, 0);
  const std::string userDefinedRefusal =
      "' (accepted: cdefine followed by one character, or by a two-character number below 17 or "
      "from 22 to 37)\n";
  const std::pair<std::string, bool> userDefinedNames[] = {
      {"cdefine1", true},    {" CDEFINE5 ", true}, {"cdefine'", true},   {"cdefine09", true},
      {"cdefine-5", true},   {"cdefine16", true},  {"cdefine22", true},  {"cdefine37", true},
      {"cdefine17", false},  {"cdefine21", false}, {"cdefine38", false}, {"cdefineAB", false},
      {"cdefine100", false}, {"cdefine", false},   {"abc", false},       {"", false},
  };
  const std::vector<std::string> sources[] = {
      {"--source", "list"},
      {"--source", "archive", "--table", "customer", "--field", "cCusName"},
      {"--source", "voucher", "--card", "CT01", "--field", "cContractName"},
  };
  for (const bool validates : {false, true}) {
    for (const auto& source : sources) {
      // A reference reads the name for the list source only; a validation for every source.
      const bool examined = validates || source[1] == "list";
      for (const auto& [name, acceptable] : userDefinedNames) {
        std::vector<std::string> args{validates ? "validate" : "ref", name};
        if (validates) args.push_back("x");
        args.insert(args.end(), source.begin(), source.end());
        SCOPED_TRACE(args[0] + " '" + name + "' " + source[1]);
        const ProcessResult run = velloc(args);
        if (acceptable || !examined) {
          EXPECT_EQ(run.status, 0);
          EXPECT_EQ(run.err, "");
        } else {
          EXPECT_EQ(run.status, 2);
          EXPECT_EQ(run.err,
                    "velloc: unknown user-defined item field '" + name + userDefinedRefusal);
        }
      }
    }
  }

  const std::pair<std::string, bool> freeNames[] = {
      {"cfree1", true}, {" CFREE10 ", true}, {"cfreeA", true},  {"cfree11", true},
      {"cfree", false}, {"cfre", false},     {"xfree1", false}, {"", false},
  };
  for (const auto& [name, acceptable] : freeNames) {
    for (const auto& args : {std::vector<std::string>{"free-ref", name},
                             std::vector<std::string>{"validate-free", name, "x"}}) {
      SCOPED_TRACE(args[0] + " '" + name + "'");
      const ProcessResult run = velloc(args);
      if (acceptable) {
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, "");
      } else {
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "velloc: unknown free item field '" + name +
                               "' (accepted: cfree followed by at least one character)\n");
      }
    }
  }
}

TEST_F(VellocProcessTest, AnExistingFileIsReplacedByTheDemoOnlyWhenAsked) {
  std::ofstream(folder_ / "mine.db") << "precious";
  const ProcessResult refused = velloc({"--db", "mine.db", "demo"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "velloc: mine.db exists; give --replace to recreate it as the demo database\n");
  EXPECT_EQ(slurp(folder_ / "mine.db"), "precious");

  EXPECT_EQ(velloc({"--db", "mine.db", "demo", "--replace"}).status, 0);
  EXPECT_EQ(jsonOf({"--db", "mine.db", "validate-free", "cfree2", "XL", "--json"})["code"], 0);
}

TEST_F(VellocProcessTest, TheDefaultDatabaseIsKeptOnceItHoldsArchivedValues) {
  EXPECT_EQ(velloc({"demo"}).status, 0);
  EXPECT_EQ(velloc({"demo"}).status, 0);  // nothing but the demo data: recreated freely
  EXPECT_EQ(jsonOf({"validate", "cdefine1", "新项目甲", "--build", "--json"})["code"], 1);
  const ProcessResult refused = velloc({"demo"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("holds values that are not the demo's"), std::string::npos);
  EXPECT_EQ(jsonOf({"validate", "cdefine1", "新项目甲", "--json"})["code"], 0);
  EXPECT_EQ(velloc({"demo", "--replace"}).status, 0);
  EXPECT_EQ(jsonOf({"validate", "cdefine1", "新项目甲", "--json"})["code"], -1);
}

TEST_F(VellocProcessTest, ADatabaseWithoutTheErpTablesIsNamedAsSuch) {
  const std::string connection = "Provider=SQLite;Data Source=" + (folder_ / "none.db").string();
  std::ofstream(folder_ / "none.db").close();  // an empty file is an empty SQLite database
  const ProcessResult run = velloc({"--conn", connection, "ref", "cdefine3"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("the database has no ERP tables"), std::string::npos) << run.err;
}

TEST_F(VellocProcessTest, TextOutputAlignsWideCharactersAndShowsControlCharacters) {
  ProcessResult run = velloc({"free-ref", "cfree1", "--inventory", "01001"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      run.out,
      tarn::testing::revisionText(
          "Database velloc-demo.db\n"
          "SQL      select distinct free1 as [自由项1] from bas_part where InvCode =N'01001'\n"
          "Columns  自由项1\n"
          "Widths   3000\n"
          "\n"
          "自由项1\n"
          "-------\n"
          "白\n"
          "蓝\n"
          "2 rows\n"));

  run = velloc({"validate", "cdefine3", "HD"});
  EXPECT_EQ(run.out,
            "Database velloc-demo.db\nResult   0  accepted\nValue    华东区  (typed: HD)\n"
            "Reason   The value is an alias, replaced by the value it stands for. (alias)\n");

  run = velloc({"validate", "cdefine6", "a\tb\x1b[31m"});
  EXPECT_EQ(run.out,
            "Database velloc-demo.db\nResult   -1  refused\nValue    a\\x09b\\x1b[31m\n"
            "Reason   The value is found nowhere: not among the item's values or aliases. "
            "(not_found)\n");

  run = velloc({"ref", "cdefine1", "--source", "archive", "--table", "customer"});
  EXPECT_NE(run.out.find("客户编码  客户名称              信用额度\n"
                         "--------  --------------------  --------\n"
                         "C001      北京华联商贸有限公司  500000\n"
                         "C002      上海远航贸易有限公司  200000\n"
                         "C003      广州天河电子有限公司  0\n"
                         "C004      Acme Trading Ltd.     125000.5\n"),
            std::string::npos)
      << run.out;

  // Rows past the limit are counted only when asked; a cursor to the rows after them follows.
  struct Count {
    std::vector<std::string> args;
    std::string tail;
    bool next;
  };
  const Count counts[] = {
      {{"ref", "cdefine3", "--limit", "2"},
       "\n2 rows shown (more follow; --limit 0 shows all, --count counts them)\n",
       true},
      {{"ref", "cdefine3", "--limit", "2", "--count"},
       "\n2 of 4 rows shown (2 more; --limit 0 shows all)\n",
       true},
      {{"ref", "cdefine3", "--limit", "4"}, "\n4 rows\n", false},
  };
  for (const auto& [args, tail, next] : counts) {
    run = velloc(args);
    const auto at = run.out.find("Next     --after ");
    EXPECT_EQ(at != std::string::npos, next) << run.out;
    EXPECT_TRUE(run.out.substr(0, at).ends_with(tail)) << run.out;
  }
}

TEST_F(VellocProcessTest, KeysetPagesFollowTheCursorAndAnyOtherCursorIsRefused) {
  velloc({"demo"});
  const nlohmann::json whole = jsonOf({"--json", "free-ref", "cfree2"})["rows"];
  nlohmann::json rows = nlohmann::json::array();
  std::vector<std::string> args{"--json", "free-ref", "cfree2", "--limit", "2"};
  for (int page = 0; page < 5; ++page) {
    const nlohmann::json answer = jsonOf(args);
    for (const auto& row : answer["rows"]) rows.push_back(row);
    if (answer["next"].is_null()) break;
    args = {"--json", "free-ref", "cfree2", "--limit", "2", "--after", answer["next"]};
  }
  EXPECT_EQ(rows, whole);

  const std::string cursor = jsonOf({"--json", "free-ref", "cfree2", "--limit", "1"})["next"];
  const std::vector<std::vector<std::string>> refused{
      {"free-ref", "cfree2", "--match", "L", "--after", cursor},
      {"ref", "cdefine3", "--after", cursor},
      {"free-ref", "cfree2", "--after", cursor + "A"},
      {"free-ref", "cfree2", "--after", "e30"},
      {"free-ref", "cfree2", "--after", ""},
  };
  for (const auto& refusedArgs : refused) {
    const ProcessResult run = velloc(refusedArgs);
    EXPECT_EQ(run.status, 2) << refusedArgs.back();
    EXPECT_EQ(run.err,
              "velloc: the cursor is not one this list gave: pass the \"next\" of the previous "
              "answer of the same item and match as it came\n");
  }
}

TEST_F(VellocProcessTest, EveryCommandHasHelpWithExamples) {
  for (const char* command : {"init", "demo", "ref", "free-ref", "validate", "validate-free"}) {
    SCOPED_TRACE(command);
    const ProcessResult run = velloc({command, "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Examples:"), std::string::npos);
    // An example copied as it stands runs: remarks go on their own line.
    std::istringstream lines(run.out.substr(run.out.find("Examples:")));
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("  velloc ")) {
        EXPECT_EQ(line.find("  ("), std::string::npos) << line;
      }
    }
    for (const char* global : {"--conn", "--db", "--user", "--json"}) {
      EXPECT_NE(run.out.find(global), std::string::npos) << global;
    }
  }
  const ProcessResult version = velloc({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("velloc ", 0), 0U) << version.out;
}

}  // namespace
