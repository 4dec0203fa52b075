// Reads SQL Server dialect text one token at a time, so that rewrites never touch the inside of
// a string literal, a quoted identifier or a comment. The tokens' texts, concatenated, give back
// the input exactly, whatever it holds: an unclosed literal, identifier or comment runs to the
// end of the text and is still one token. A lexer is a position in a text: copying one to look
// ahead costs nothing, and reading allocates nothing.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarn::erp::db {

enum class SqlTokenKind {
  kBlank,          // spaces, tabs, line breaks
  kLineComment,    // -- up to the line break (not included)
  kBlockComment,   // /* ... */
  kString,         // '...' with '' inside
  kUnicodeString,  // N'...' (the N directly before the quote, not the end of a longer word)
  kBracketed,      // [...] with ]] inside
  kQuoted,         // "..." with "" inside
  kWord,           // keywords and plain identifiers (letters, digits, _ @ # $, non-ASCII)
  kNumber,         // digits, with an optional fraction
  kSymbol,         // any other single code unit
};

struct SqlToken {
  SqlTokenKind kind;
  std::u16string_view text;  // a view into the text being read

  // Blanks and comments carry no meaning.
  bool isInsignificant() const {
    return kind == SqlTokenKind::kBlank || kind == SqlTokenKind::kLineComment ||
           kind == SqlTokenKind::kBlockComment;
  }
  bool isSymbol(char16_t symbol) const {
    return kind == SqlTokenKind::kSymbol && text.front() == symbol;
  }
  // A keyword or identifier spelled `word` (lower-case ASCII), letter case ignored.
  bool isWord(std::u16string_view word) const;
  // A literal, bracketed or quoted identifier whose closing delimiter is missing.
  bool isUnclosed() const;
};

class SqlLexer {
 public:
  explicit SqlLexer(std::u16string_view text) : text_(text) {}

  bool atEnd() const { return position_ >= text_.size(); }
  // Where the next token starts.
  std::size_t position() const { return position_; }
  // Reads the token at the current position; must not be called at the end.
  SqlToken next();
  // Skips blanks and comments, then reads; false at the end of the text.
  bool nextSignificant(SqlToken& token);

 private:
  std::u16string_view text_;
  std::size_t position_ = 0;
};

}  // namespace tarn::erp::db
