// The host's reading of the archiving rules: each value's problem, and the component's own check
// (items::CheckItemValue) passing exactly the values the host finds nothing wrong with.
#include <gtest/gtest.h>

#include <string>

#include "items/archive_entry.h"
#include "session/item_definition.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

TEST(ItemRulesTest, TheHostFindsAProblemExactlyWhereTheComponentRefusesToArchive) {
  using P = ValueProblem;
  struct Case {
    std::u16string type;
    int maxLength;
    std::u16string value;
    ItemRules rules;
    ValueProblem problem;
  };
  constexpr auto kTyped = ItemRules::kTyped;
  constexpr auto kLength = ItemRules::kLengthOnly;
  const Case cases[] = {
      {u"文本", 3, u"abc", kTyped, P::kNone},
      {u"文本", 3, u"项项项", kTyped, P::kNone},
      {u"文本", 3, u"abcd", kTyped, P::kTooLong},
      {u"文本", 2, u"😀a", kTyped, P::kTooLong},  // UTF-16 code units are counted
      {u"文本", 0, u"x", kTyped, P::kClosed},
      {u"文本", -1, u"x", kTyped, P::kClosed},
      {u"数字", 0, u"-3.5", kTyped, P::kNone},
      {u"数字", 0, u"1e3", kTyped, P::kNone},
      {u"数字", 0, u"+.5", kTyped, P::kNone},
      {u"数字", 0, u"1,000", kTyped, P::kNotANumber},
      {u"数字", 0, u" 1", kTyped, P::kNotANumber},
      {u"数字", 0, u"1e", kTyped, P::kNotANumber},
      {u"数字", 0, u"abc", kTyped, P::kNotANumber},
      {u"整型", 0, u"12", kTyped, P::kNone},
      {u"整型", 0, u"1e3", kTyped, P::kNone},
      {u"整型", 0, u"12.5", kTyped, P::kNotAWholeNumber},
      {u"整型", 0, u"12.", kTyped, P::kNotAWholeNumber},
      {u"整型", 0, u"12a", kTyped, P::kNotAWholeNumber},
      {u"日期", 0, u"2024-02-29", kTyped, P::kNone},
      {u"日期", 0, u"2024-5-1 8:05:09", kTyped, P::kNone},
      {u"日期", 0, u"2023-02-29", kTyped, P::kNotADate},
      {u"日期", 0, u"2024/02/29", kTyped, P::kNotADate},
      {u"日期", 0, u"2024-05/01", kTyped, P::kNotADate},
      {u"日期", 0, u"2024-05-01 24:00", kTyped, P::kNotADate},
      {u"日期", 0, u"2024-05-01T10:00", kTyped, P::kNotADate},
      {u"其他", 0, u"anything", kTyped, P::kNone},
      {u"数字", 2, u"abc", kLength, P::kTooLong},
      {u"数字", 5, u"abc", kLength, P::kNone},
      {u"日期", 0, u"2024-05-01", kLength, P::kClosed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.type) + " " + std::to_string(c.maxLength) + " " +
                 automation::toUtf8(c.value));
    const ItemDefinition item{u"H99", c.type, c.maxLength, false};
    EXPECT_EQ(archivingProblem(item, c.value, c.rules), c.problem);
    const items::ItemDef def{u"H99", c.type, static_cast<std::int16_t>(c.maxLength)};
    const auto rules =
        c.rules == kTyped ? items::ValueRules::kTyped : items::ValueRules::kLengthOnly;
    EXPECT_EQ(items::CheckItemValue(def, c.value, rules), c.problem == P::kNone);
  }
}

TEST(ItemRulesTest, AnUnreadableDefinitionTakesNoValue) {
  const ItemDefinition item{u"H99", u"其他", 0, true};
  EXPECT_EQ(archivingProblem(item, u"x", ItemRules::kTyped), ValueProblem::kClosed);
}

}  // namespace
}  // namespace tarn::session
