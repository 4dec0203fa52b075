// The text helpers at the UTF-8 edges and behind every late-bound name lookup.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tarnvelloc/automation/text.h"

namespace tarn::automation {
namespace {

TEST(AutomationTextTest, Utf16AndUtf8ConvertBothWaysWhenWellFormed) {
  struct Case {
    std::u16string utf16;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {u"", ""},
      {u"cValue = 'x'", "cValue = 'x'"},
      {u"\u00e9\u07ff", "\xc3\xa9\xdf\xbf"},
      {u"华东区", "\xe5\x8d\x8e\xe4\xb8\x9c\xe5\x8c\xba"},
      {u"\U0001F600!", "\xf0\x9f\x98\x80!"},
      {u"\uffff", "\xef\xbf\xbf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(toUtf8(c.utf16), c.utf8);
    EXPECT_EQ(fromUtf8(c.utf8), c.utf16);
    std::string appended = "ab";
    appendUtf8(appended, c.utf16);
    EXPECT_EQ(appended, "ab" + c.utf8);
    std::u16string appended16 = u"ab";
    appendUtf16(appended16, c.utf8);
    EXPECT_EQ(appended16, u"ab" + c.utf16);
  }
}

TEST(AutomationTextTest, IllFormedTextIsFoundAndReplacedWhenConverted) {
  struct Case {
    std::u16string text;
    std::size_t unpaired;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {u"a\xD800'", 1, "a\xef\xbf\xbd'"},
      {u"\xDC00\xD800", 0, "\xef\xbf\xbd\xef\xbf\xbd"},
      {u"\xD83D\xDE00\xD83D", 2, "\xf0\x9f\x98\x80\xef\xbf\xbd"},
      {u"ok\xDBFF", 2, "ok\xef\xbf\xbd"},
      {u"\xD83D\xDE00", std::u16string::npos, "\xf0\x9f\x98\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(findUnpairedSurrogate(c.text), c.unpaired);
    EXPECT_EQ(toUtf8(c.text), c.utf8);
  }
  EXPECT_EQ(fromUtf8("a\xff\xc3"), u"a\ufffd\ufffd");
  EXPECT_EQ(fromUtf8("\xed\xa0\x80"), u"\ufffd");  // an encoded surrogate
  EXPECT_EQ(fromUtf8("\xc0\xaf"), u"\ufffd");      // overlong
}

TEST(AutomationTextTest, CaseIsIgnoredForAsciiLettersOnly) {
  struct Case {
    std::u16string a;
    std::u16string b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {u"MoveNext", u"movenext", true},
      {u"EOF", u"eof", true},
      {u"", u"", true},
      {u"Item", u"Items", false},
      {u"Ä", u"ä", false},
      {u"a_", u"A_", true},
      {u"[", u"{", false},
      {u"@", u"`", false},
      {u"Z", u"z", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(toUtf8(c.a) + " / " + toUtf8(c.b));
    EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal);
    EXPECT_EQ(equalsIgnoringAsciiCase(c.b, c.a), c.equal);
  }
}

}  // namespace
}  // namespace tarn::automation
