// The folding and the one-edit rule behind the similar values of a refused validation.
#include "session/similar_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnvelloc/automation/text.h"

namespace tarn::session {
namespace {

TEST(SimilarValuesTest, FoldingIgnoresCaseWidthBlanksAndIgnorables) {
  const std::pair<std::u16string, std::u32string> cases[] = {
      {u"Ｅｘ ＰＯrt", U"export"},    // full-width letters, a blank, capitals
      {u"华东\u3000区 ", U"华东区"},  // the ideographic space and a trailing blank
      {u"a\tb\u200bc", U"abc"},       // a tab and a zero-width space
      {u"ﬁle", U"file"},              // a compatibility ligature
      {u"Straße", U"strasse"},        // case folding that lengthens
      {u"ｶﾞ", U"ガ"},                 // half-width katakana and its voicing mark
      {u"", U""},
  };
  for (const auto& [text, folded] : cases) {
    EXPECT_EQ(foldedForComparison(text), folded);
  }
}

TEST(SimilarValuesTest, OneInsertionDeletionOrSubstitutionAfterFolding) {
  struct Case {
    std::u16string typed, existing;
    bool similar;
  };
  const Case cases[] = {
      {u"华东 区", u"华东区", true},
      {u"ＥＸＰＯＲＴ", u"Export", true},
      {u"export", u"Export", true},
      {u"Exprt", u"Export", true},
      {u"Exporta", u"Export", true},
      {u"Exqort", u"Export", true},
      {u"aExport", u"Export", true},
      {u"华中区", u"华东区", true},
      {u"Epxort", u"Export", false},
      {u"华中心区", u"华东区", false},
      {u"Expo", u"Export", false},
      {u"XXL", u"XL", true},
      {u"", u"a", true},
      {u"", u"ab", false},
      {u"abc", u"xyz", false},
      {u"Straße", u"STRASSE", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(automation::toUtf8(c.typed) + " / " + automation::toUtf8(c.existing));
    EXPECT_EQ(withinOneEdit(foldedForComparison(c.typed), foldedForComparison(c.existing)),
              c.similar);
    EXPECT_EQ(withinOneEdit(foldedForComparison(c.existing), foldedForComparison(c.typed)),
              c.similar);
  }
}

TEST(SimilarValuesTest, AtMostFiveInTheCandidatesOrderNeverTheTypedSpellingItself) {
  const std::vector<std::u16string> candidates = {
      u"华东区", u"华东", u"华北区", u"西南", u"华南区", u"华中区", u"華東区", u"东区", u"华西区"};
  // 華東区 differs by two characters: NFKC keeps traditional characters; 华西区 comes sixth.
  EXPECT_EQ(similarValues(u"华东区", candidates),
            (std::vector<std::u16string>{u"华东", u"华北区", u"华南区", u"华中区", u"东区"}));
  EXPECT_EQ(similarValues(u"西南", candidates), (std::vector<std::u16string>{}));
  EXPECT_EQ(similarValues(u"西 南", candidates), (std::vector<std::u16string>{u"西南"}));
}

TEST(SimilarValuesTest, CandidatesAreReadInALengthWindowAroundTheFoldedLength) {
  const std::pair<std::u16string, LengthWindow> cases[] = {
      {u"华东 区", {2, 10}}, {u"Ｅｘport", {5, 16}}, {u"a", {0, 6}}, {u"", {0, 4}}};
  for (const auto& [typed, window] : cases) {
    const LengthWindow got = similarLengthWindow(typed);
    EXPECT_EQ(got.shortest, window.shortest);
    EXPECT_EQ(got.longest, window.longest);
  }
}

}  // namespace
}  // namespace tarn::session
