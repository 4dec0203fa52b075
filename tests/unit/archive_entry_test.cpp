// The archiving step: the item-definition queries, the value rules, the archive entry record and
// the Add call, driven through the scripted archive data service.
#include "items/archive_entry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tarnvelloc/automation/error.h"
#include "tests/kit/fake_world.h"
#include "tests/kit/printers.h"
#include "tests/kit/validation_fixtures.h"
#include "userdefine/source_resolution.h"

namespace tarn::testing {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using automation::Variant;
using items::ItemDef;
using items::ItemSection;
using items::ValueRules;

constexpr char kHeaderDefinition[] =
    "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    "where B.cClass =N'单据头' and B.cItem =N'";
constexpr char kBodyDefinition[] =
    "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    "where B.cClass =N'单据体' and B.cItem =N'";
constexpr char kFreeDefinition[] =
    "select B.cId as cId, B.cType as cType, B.iMaxLen as iMaxLen from UserDef B "
    "where B.cItem =N'";

struct RuleCase {
  const char* cType;
  std::int16_t iMaxLen;
  const char* value;
  ValueRules rules;
  bool passes;
};

TEST(CheckItemValueTest, AppliesTheRulesOfTheItemType) {
  const ValueRules typed = ValueRules::kTyped;
  const ValueRules lengthOnly = ValueRules::kLengthOnly;
  const RuleCase cases[] = {
      {"文本", 10, "0123456789", typed, true},
      {"文本", 10, "0123456789A", typed, false},
      {"文本", 0, "", typed, true},  // iMaxLen Null reads as 0
      {"文本", 0, "a", typed, false},
      {"文本", -1, "", typed, false},  // the comparison is signed
      {"文本", 3, "自由项", typed, true},
      {"文本", 1, "𠀀", typed, false},  // one character, two UTF-16 code units
      {"数字", 0, "12.5", typed, true},
      {"数字", 0, "12a", typed, false},
      {"数字", 0, "", typed, false},
      {"整型", 0, "42", typed, true},
      {"整型", 0, "42.0", typed, false},
      {"整型", 0, "4a", typed, false},
      {"日期", 0, "2024-05-01", typed, true},
      {"日期", 0, "2024/05/01", typed, false},  // a date, but without "-"
      {"日期", 0, "2024-02-30", typed, false},
      {"日期", 0, "2024-", typed, false},
      {"文本 ", 1, "longer than one", typed, true},  // not a type name: no check
      {"", -1, "anything", typed, true},
      {"数字", 5, "abcde", lengthOnly, true},
      {"数字", 5, "abcdef", lengthOnly, false},
      {"日期", 3, "1.5", lengthOnly, true},
      {"文本", 0, "", lengthOnly, true},
      {"文本", 0, "a", lengthOnly, false},
      {"文本", -1, "", lengthOnly, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cType) + " " + std::to_string(c.iMaxLen) + " [" + c.value + "]" +
                 (c.rules == lengthOnly ? " length only" : " typed"));
    const ItemDef def{u"15", utf16(c.cType), c.iMaxLen};
    EXPECT_EQ(items::CheckItemValue(def, utf16(c.value), c.rules), c.passes);
  }
}

TEST(MakeUserDefineRecordTest, WritesTheRecordWithMarkupCharactersAsEntities) {
  EXPECT_EQ(utf8(items::MakeUserDefineRecord(u"15", u"红色")),
            "<Userdefine><cId>15</cId><cValue>红色</cValue></Userdefine>");
  EXPECT_EQ(utf8(items::MakeUserDefineRecord(u"A&B", u"a<&>'\"z")),
            "<Userdefine><cId>A&amp;B</cId>"
            "<cValue>a&lt;&amp;&gt;&apos;&quot;z</cValue></Userdefine>");
}

struct DefinitionQueryCase {
  const char16_t* caption;
  ItemSection section;
  std::string query;
};

TEST(GetItemDefTest, QueriesTheDefinitionOfTheItemInItsSection) {
  const DefinitionQueryCase cases[] = {
      {u"自定义项3", items::kHeaderSection, std::string(kHeaderDefinition) + "自定义项3'"},
      {u"自定义项16", items::kBodySection, std::string(kBodyDefinition) + "自定义项16'"},
      {u"自由项2", std::nullopt, std::string(kFreeDefinition) + "自由项2'"},
      {u"自由项'2", std::nullopt, std::string(kFreeDefinition) + "自由项''2'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    FakeWorld world;
    services::ArchiveDataService archiveData(world.archiveData);
    EXPECT_FALSE(items::GetItemDef(archiveData, c.caption, c.section).has_value());
    EXPECT_EQ(world.log.text(), logText({openX("ArDb", c.query)}));
    EXPECT_EQ(world.recordSets.closed(), 1);
  }
}

TEST(GetItemDefTest, ReadsTheFirstRow) {
  FakeWorld world;
  Rows rows = itemDefinitionRow(u"15", u"文本", std::int32_t{20});
  rows.values.push_back({u"16", u"数字", std::int32_t{5}});
  answerRowsInTurn(world, *world.archiveData, u"OpenX", {rows});
  services::ArchiveDataService archiveData(world.archiveData);

  const auto def = items::GetItemDef(archiveData, u"自定义项3", items::kHeaderSection);

  ASSERT_TRUE(def.has_value());
  EXPECT_EQ(utf8(def->cId), "15");
  EXPECT_EQ(utf8(def->cType), "文本");
  EXPECT_EQ(def->iMaxLen, 20);
  EXPECT_EQ(world.recordSets.closed(), 1);
}

struct MaxLenCase {
  Variant iMaxLen;
  std::optional<std::int16_t> read;  // nothing: the read raises kOverflow
};

TEST(GetItemDefTest, ReadsMaxLengthAsA16BitInteger) {
  const MaxLenCase cases[] = {
      {Variant::null(), 0},
      {Variant(std::int32_t{-5}), -5},
      {Variant(std::int32_t{32767}), 32767},
      {Variant(std::int32_t{-32768}), -32768},
      {Variant(std::int32_t{32768}), std::nullopt},
      {Variant(std::int32_t{-32769}), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iMaxLen.describe());
    FakeWorld world;
    answerRowsInTurn(world, *world.archiveData, u"OpenX",
                     {itemDefinitionRow(u"15", u"文本", c.iMaxLen)});
    services::ArchiveDataService archiveData(world.archiveData);
    if (c.read) {
      const auto def = items::GetItemDef(archiveData, u"自由项1", std::nullopt);
      ASSERT_TRUE(def.has_value());
      EXPECT_EQ(def->iMaxLen, *c.read);
      continue;
    }
    try {
      items::GetItemDef(archiveData, u"自由项1", std::nullopt);
      ADD_FAILURE() << "no failure raised";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.code(), ErrorCode::kOverflow);
    }
    EXPECT_EQ(world.recordSets.releasedWithoutClose(), 1);
  }
}

struct ArchiveCase {
  const char* name;
  std::vector<Rows> definition;
  Variant addAnswer;
  const char16_t* value;
  std::int16_t expected;
  bool addCalled;
};

TEST(AddArchiveValueTest, AddsOnlyAValueThatPassesItsRules) {
  const std::string query = std::string(kHeaderDefinition) + "自定义项3'";
  const std::string add = addRecord("<Userdefine><cId>15</cId><cValue>42</cValue></Userdefine>");
  const ArchiveCase cases[] = {
      {"added",
       {itemDefinitionRow(u"15", u"整型", Variant::null())},
       Variant(true),
       u"42",
       1,
       true},
      {"Add false",
       {itemDefinitionRow(u"15", u"整型", Variant::null())},
       Variant(false),
       u"42",
       -2,
       true},
      {"Add answers text",
       {itemDefinitionRow(u"15", u"整型", Variant::null())},
       Variant(u"True"),
       u"42",
       1,
       true},
      {"no definition", {noRows()}, Variant(true), u"42", -2, false},
      {"value fails",
       {itemDefinitionRow(u"15", u"整型", Variant::null())},
       Variant(true),
       u"42.0",
       -2,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeWorld world;
    answerRowsInTurn(world, *world.archiveData, u"OpenX", c.definition);
    world.archiveData->answer(u"Add", c.addAnswer);
    services::ArchiveDataService archiveData(world.archiveData);

    EXPECT_EQ(items::AddArchiveValue(archiveData, u"自定义项3", items::kHeaderSection, c.value,
                                     ValueRules::kTyped),
              c.expected);
    std::vector<std::string> expectedLog{openX("ArDb", query)};
    if (c.addCalled) expectedLog.push_back(add);
    EXPECT_EQ(world.log.text(), logText(expectedLog));
    EXPECT_EQ(world.recordSets.closed(), 1);
  }
}

}  // namespace
}  // namespace tarn::testing
