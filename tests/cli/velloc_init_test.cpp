// velloc init as a process: an empty ERP database that the component can work in at once, a
// file that exists left alone unless --replace, and what init cannot create.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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
       "  \"replaced\": false\n}\n",
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

}  // namespace
