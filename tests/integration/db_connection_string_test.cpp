// ADO-style connection strings: what parses, to which values, and what is malformed.
#include <gtest/gtest.h>

#include "erp/db/connection_string.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;

TEST(DbConnectionStringTest, ParsesValues) {
  struct Case {
    const char* text;
    const char* key;
    std::optional<std::u16string> value;
  };
  const std::vector<Case> cases = {
      {"Provider=SQLite;Data Source=erp.db", "provider", u"SQLite"},
      {"Provider=SQLite;Data Source=erp.db", "DATA SOURCE", u"erp.db"},
      {"  Data Source  =  my erp.db  ;", "Data Source", u"my erp.db"},
      {"Data Source=\"a;b=c.db\"", "data source", u"a;b=c.db"},
      {"Data Source='it''s.db'", "data source", u"it's.db"},
      {"Data Source=\"say \"\"hi\"\"\" ; x=1", "data source", u"say \"hi\""},
      {"Data Source='a\"b'", "data source", u"a\"b"},
      {"Data Source=it's.db", "data source", u"it's.db"},
      {"a=1;;; ;b=2;", "b", u"2"},
      {"a=1;a=2", "a", u"2"},
      {"a=;b=2", "a", u""},
      {"a=x=y", "a", u"x=y"},
      {"Mode=Share Deny None;Persist Security Info=False", "persist security info", u"False"},
      {"数据源=文件.db", "数据源", u"文件.db"},
      {"Provider=SQLite", "Data Source", std::nullopt},
      {"", "Provider", std::nullopt},
      {" ; ;", "Provider", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " [" + c.key + "]");
    const auto parsed = ConnectionString::parse(utf16(c.text));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->get(utf16(c.key)), c.value);
  }
}

TEST(DbConnectionStringTest, MalformedListsGiveNothing) {
  const std::vector<const char*> cases = {
      "Provider",           "Provider=SQLite;Data Source", "=x",
      " = x;a=1",           "Data Source=\"erp.db",        "Data Source='erp.db",
      "Data Source=\"a\"b", "Data Source='a' 'b'",         "a=1;b",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ConnectionString::parse(utf16(text)));
  }
}

}  // namespace
}  // namespace tarn::erp::db
