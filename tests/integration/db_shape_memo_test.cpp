// A connection's memo of statement shapes gives exactly what reading the text afresh gives,
// values viewing the text it is handed, whether the text is remembered, forgotten or new, and
// whatever differs between two texts, a single literal included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/shape_memo.h"
#include "tests/kit/expect_failure.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;

TEST(DbShapeMemoTest, GivesWhatAFreshReadingGives) {
  const std::vector<const char*> texts = {
      "select cValue from UserDefine where cID = N'H03' and cAlias = N'HD'",
      "select cValue from UserDefine where cID = N'H03' and cAlias = N'HE'",
      "select cValue from UserDefine where cID = N'H03' and cAlias = N'HDX'",
      "select cValue from UserDefine where cID = N'H3' and cAlias = N'HD'",
      "select cValue from UserDefine where cID = 'H03' and cAlias = N'HD'",
      "select a from t where a = N'it''s' and b = 'N''x''' -- 'c'\n",
      "select cValue 'v', [it's] from t where b = 'z'",
      "create table t (a text default 'x')",
      "select a from t where b = N'unclosed",
      "select 1",
  };
  // Two texts kept at most: the rounds below find some remembered and some forgotten.
  ShapeMemo memo(2);
  StatementShape remembered;
  StatementShape fresh;
  for (int round = 0; round < 3; ++round) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      // Every call hands a text of its own, so the values must view this one.
      const std::u16string text = utf16(texts[(i + round * (i % 3)) % texts.size()]);
      SCOPED_TRACE(testing::utf8(text));
      memo.shape(text, remembered);
      if (round > 0) memo.shape(text, remembered);  // now certainly remembered
      shapeStatement(text, fresh);
      EXPECT_EQ(remembered.text, fresh.text);
      ASSERT_EQ(remembered.values.size(), fresh.values.size());
      for (std::size_t v = 0; v < fresh.values.size(); ++v) {
        EXPECT_EQ(remembered.values[v].quoted.data(), fresh.values[v].quoted.data());
        EXPECT_EQ(remembered.values[v].quoted.size(), fresh.values[v].quoted.size());
        EXPECT_EQ(remembered.values[v].offset, fresh.values[v].offset);
      }
    }
  }
}

// What a connection attaches to a text stays with that text alone, texts differing in a single
// code unit anywhere (the whole words and the tail the key is hashed by included), until the
// text is dropped; a text read again after that starts with nothing attached.
TEST(DbShapeMemoTest, WhatIsAttachedStaysWithItsTextUntilTheTextIsDropped) {
  const std::vector<std::u16string> texts = {
      u"select 1",    u"select 2",    u"select 1 ",      u"select 12",
      u"select 123",  u"select 1234", u"select N'ab'",   u"select N'ac'",
      u"select N'a'", u"xelect 1",    u"select N'a''b'", u"select N'a' ",
  };
  ShapeMemoWith<int> memo(texts.size());
  StatementShape shape;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(testing::utf8(texts[i]));
    EXPECT_EQ(memo.find(texts[i]), nullptr);
    EXPECT_EQ(memo.shape(texts[i], shape), nullptr);  // read once: not kept
    auto* kept = memo.shape(texts[i], shape);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->attached, 0);
    kept->attached = static_cast<int>(i) + 1;
  }
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(testing::utf8(texts[i]));
    ASSERT_NE(memo.find(texts[i]), nullptr);
    EXPECT_EQ(memo.find(std::u16string(texts[i]))->attached, static_cast<int>(i) + 1);
    EXPECT_EQ(memo.shape(texts[i], shape)->attached, static_cast<int>(i) + 1);
  }
  // One text more drops the least recently used, texts[0].
  memo.shape(u"select 3", shape);
  memo.shape(u"select 3", shape);
  EXPECT_EQ(memo.find(texts[0]), nullptr);
  EXPECT_EQ(memo.find(texts[1])->attached, 2);
  EXPECT_EQ(memo.shape(texts[0], shape)->attached, 0);  // read lately: kept again, afresh
}

TEST(DbShapeMemoTest, ATextThatIsRefusedIsRefusedEveryTime) {
  ShapeMemo memo(4);
  StatementShape shape;
  for (int i = 0; i < 2; ++i) {
    testing::expectFailure([&] { memo.shape(u"select a from t where b = ? and c = N'x'", shape); },
                           automation::ErrorCode::kComponentFailure,
                           "Component failure: a statement in SQL Server dialect takes no "
                           "parameter markers: select a from t where b = ? and c = N'x'");
  }
}

}  // namespace
}  // namespace tarn::erp::db
