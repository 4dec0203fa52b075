// The number and date tests of typed values, on the edges of their grammars.
#include "tarnvelloc/component/value_typing.h"

#include <gtest/gtest.h>

#include "tests/kit/printers.h"

namespace tarn::testing {
namespace {

struct TypingCase {
  const char* value;
  bool expected;
};

TEST(ValueTypingTest, NumericValues) {
  const TypingCase cases[] = {
      {"0", true},      {"12", true},     {"-3.5", true},  {"+.5", true},   {"7.", true},
      {"1e3", true},    {"2.5E-4", true}, {"-1E+2", true}, {"", false},     {".", false},
      {"-", false},     {"+-1", false},   {"1e", false},   {"1e+", false},  {"e5", false},
      {".e1", false},   {"1,000", false}, {" 1", false},   {"1 ", false},   {"0x1F", false},
      {"1.2.3", false}, {"12a", false},   {"$5", false},   {"１２", false}, {"1e2.5", false},
      {"1d3", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(items::isNumericValue(utf16(c.value)), c.expected);
  }
}

TEST(ValueTypingTest, DateValues) {
  const TypingCase cases[] = {
      {"2024-05-01", true},          {"2024/5/1", true},
      {"0001-01-01", true},          {"9999-12-31", true},
      {"2024-02-29", true},          {"2000-02-29", true},
      {"2023-02-29", false},         {"1900-02-29", false},
      {"2024-04-31", false},         {"2024-13-01", false},
      {"2024-00-10", false},         {"2024-05-00", false},
      {"0000-01-01", false},         {"2024-05/01", false},
      {"2024.05.01", false},         {"01-05-2024", false},
      {"24-05-01", false},           {"2024-005-01", false},
      {"2024-05-001", false},        {"2024-05-01 13:45", true},
      {"2024-02-29 08:05:09", true}, {"2024-05-01 0:00", true},
      {"2024-05-01 23:59:59", true}, {"2024-05-01 24:00", false},
      {"2024-05-01 10:60", false},   {"2024-05-01 10:5", false},
      {"2024-05-01 10", false},      {"2024-05-01 10:00:60", false},
      {"2024-05-01T10:00", false},   {"2024-05-01 ", false},
      {" 2024-05-01", false},        {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(items::isDateValue(utf16(c.value)), c.expected);
  }
}

}  // namespace
}  // namespace tarn::testing
