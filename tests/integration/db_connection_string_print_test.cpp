// Printing a connection string: the whole text for each kind of value, and that it reads back.
#include <gtest/gtest.h>

#include "erp/db/connection_string.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;
using testing::utf8;

TEST(DbConnectionStringPrintTest, PrintsEachValueSoThatItReadsBack) {
  struct Case {
    const char* text;
    const char* printed;
  };
  const std::vector<Case> cases = {
      {"Provider=SQLite;Data Source=erp.db", "Provider=SQLite;Data Source=erp.db"},
      {"", ""},
      {"a=;b=x=y;c=it's", "a=;b=x=y;c=it's"},
      {"Data Source=\"a;b.db\"", "Data Source=\"a;b.db\""},
      {"a=' x ';b=\"y \"", "a=\" x \";b=\"y \""},
      {"a='\"q\" x'", "a=\"\"\"q\"\" x\""},
      {"a=\"'q'\"", "a=\"'q'\""},
      {"PWD='say \"hi\"';A=1;a=2", "PWD=say \"hi\";A=2"},
      {"Driver={SQL Server};x=\"{a\"", "Driver=\"{SQL Server}\";x=\"{a\""},
      {"数据源=文件 1.db", "数据源=文件 1.db"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto parsed = ConnectionString::parse(utf16(c.text));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(utf8(parsed->print()), c.printed);
    EXPECT_EQ(ConnectionString::parse(parsed->print()), parsed);
  }
}

}  // namespace
}  // namespace tarn::erp::db
