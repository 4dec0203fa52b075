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
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("velloc-cli-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  ProcessResult velloc(const std::vector<std::string>& args) {
    std::string command = "cd " + quoted(folder_.string()) + " && " + quoted(VELLOC_PATH);
    for (const auto& a : args) command += " " + quoted(a);
    command += " >out.txt 2>err.txt";
    const int raw = std::system(command.c_str());
    return ProcessResult{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder_ / "out.txt"),
                         slurp(folder_ / "err.txt")};
  }

  nlohmann::json jsonOf(const std::vector<std::string>& args) {
    const ProcessResult run = velloc(args);
    EXPECT_EQ(run.status, 0) << run.err;
    return nlohmann::json::parse(run.out);
  }

  fs::path folder_;
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
  EXPECT_EQ(json["rowCount"], json["rows"].size());
  EXPECT_GE(json["rowCount"].get<int>(), 3);
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
      {{"--db", "missing.db", "ref", "cdefine3"}, 1, "database file not found: missing.db"},
      {{"--conn", "Provider=SQLite;Data Source=missing.db", "validate", "cdefine3", "x"},
       1,
       "database file not found: missing.db"},
      {{"--conn", "garbage", "ref", "cdefine3"}, 1, "malformed connection string: garbage"},
      {{"--conn", "Provider=Oracle;Data Source=x", "ref", "cdefine3"}, 1, "Init returned False"},
      {{"--conn", "a", "--db", "b", "ref", "cdefine3"}, 2, "either --conn or --db"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const ProcessResult run = velloc(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("terminate"), std::string::npos);
  }
}

TEST_F(VellocProcessTest, EveryCommandHasHelpWithExamples) {
  for (const char* command : {"demo", "ref", "free-ref", "validate", "validate-free"}) {
    SCOPED_TRACE(command);
    const ProcessResult run = velloc({command, "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Examples:"), std::string::npos);
  }
}

}  // namespace
