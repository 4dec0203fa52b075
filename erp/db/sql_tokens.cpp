#include "erp/db/sql_tokens.h"

#include <algorithm>
#include <array>

namespace tarn::erp::db {
namespace {

inline bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Letters, digits, _ @ # $ and everything beyond ASCII; one look-up per code unit, as every
// statement is read through here.
constexpr std::array<bool, 128> kWordChars = [] {
  std::array<bool, 128> table{};
  for (char c = 'a'; c <= 'z'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c = 'A'; c <= 'Z'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = true;
  for (char c : {'_', '@', '#', '$'}) table[static_cast<unsigned char>(c)] = true;
  return table;
}();

inline bool isWordChar(char16_t c) { return c >= 0x80 || kWordChars[c]; }

// Where a run delimited by `close`, in which a doubled `close` stands for itself, ends, and
// whether it is closed: an unclosed run ends with the text. `pos` is just past the opening
// delimiter.
struct Delimited {
  std::size_t end;
  bool closed;
};

Delimited scanDelimited(std::u16string_view text, std::size_t pos, char16_t close) {
  while (pos < text.size()) {
    if (text[pos] != close) {
      ++pos;
    } else if (pos + 1 < text.size() && text[pos + 1] == close) {
      pos += 2;
    } else {
      return {pos + 1, true};
    }
  }
  return {text.size(), false};
}

std::size_t endOfDelimited(std::u16string_view text, std::size_t pos, char16_t close) {
  return scanDelimited(text, pos, close).end;
}

struct Scan {
  SqlTokenKind kind;
  std::size_t end;
};

Scan scanOne(std::u16string_view text, std::size_t pos) {
  const char16_t c = text[pos];
  const auto next = [&](std::size_t at) { return at < text.size() ? text[at] : u'\0'; };
  if (isBlank(c)) {
    std::size_t end = pos;
    while (end < text.size() && isBlank(text[end])) ++end;
    return {SqlTokenKind::kBlank, end};
  }
  if (c == u'-' && next(pos + 1) == u'-') {
    return {SqlTokenKind::kLineComment, std::min(text.find(u'\n', pos), text.size())};
  }
  if (c == u'/' && next(pos + 1) == u'*') {
    const std::size_t close = text.find(u"*/", pos + 2);
    return {SqlTokenKind::kBlockComment,
            close == std::u16string_view::npos ? text.size() : close + 2};
  }
  if (c == u'\'') return {SqlTokenKind::kString, endOfDelimited(text, pos + 1, u'\'')};
  if (c == u'"') return {SqlTokenKind::kQuoted, endOfDelimited(text, pos + 1, u'"')};
  if (c == u'[') return {SqlTokenKind::kBracketed, endOfDelimited(text, pos + 1, u']')};
  if ((c == u'N' || c == u'n') && next(pos + 1) == u'\'') {
    return {SqlTokenKind::kUnicodeString, endOfDelimited(text, pos + 2, u'\'')};
  }
  if (isDigit(c)) {
    std::size_t end = pos;
    while (end < text.size() && isDigit(text[end])) ++end;
    if (next(end) == u'.') {
      ++end;
      while (end < text.size() && isDigit(text[end])) ++end;
    }
    return {SqlTokenKind::kNumber, end};
  }
  if (isWordChar(c)) {
    std::size_t end = pos;
    while (end < text.size() && isWordChar(text[end])) ++end;
    return {SqlTokenKind::kWord, end};
  }
  return {SqlTokenKind::kSymbol, pos + 1};
}

// True when a token opened by `openLength` code units ends with its closing `close` rather than
// running off the end of the text.
bool isClosed(std::u16string_view token, std::size_t openLength, char16_t close) {
  return scanDelimited(token, openLength, close).closed;
}

}  // namespace

bool SqlToken::isWord(std::u16string_view word) const {
  if (kind != SqlTokenKind::kWord || text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char16_t c = text[i];
    if ((c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c) != word[i]) {
      return false;
    }
  }
  return true;
}

bool SqlToken::isUnclosed() const {
  switch (kind) {
    case SqlTokenKind::kString:
      return !isClosed(text, 1, u'\'');
    case SqlTokenKind::kUnicodeString:
      return !isClosed(text, 2, u'\'');
    case SqlTokenKind::kBracketed:
      return !isClosed(text, 1, u']');
    case SqlTokenKind::kQuoted:
      return !isClosed(text, 1, u'"');
    default:
      return false;
  }
}

SqlToken SqlLexer::next() {
  const Scan scan = scanOne(text_, position_);
  const SqlToken token{scan.kind, text_.substr(position_, scan.end - position_)};
  position_ = scan.end;
  return token;
}

bool SqlLexer::nextSignificant(SqlToken& token) {
  while (!atEnd()) {
    token = next();
    if (!token.isInsignificant()) return true;
  }
  return false;
}

}  // namespace tarn::erp::db
