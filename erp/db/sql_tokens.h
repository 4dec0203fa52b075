// Splits SQL Server dialect text into tokens so that rewrites never touch the inside of a string
// literal, a quoted identifier or a comment. Concatenating the texts of the tokens gives back the
// input exactly, whatever it holds: an unclosed literal, identifier or comment runs to the end of
// the text and is still one token.
#pragma once

#include <string_view>
#include <vector>

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
  std::u16string_view text;  // a view into the tokenized text
};

std::vector<SqlToken> tokenizeSql(std::u16string_view text);

// True for tokens that carry no meaning: blanks and comments.
bool isInsignificant(const SqlToken& token);

}  // namespace tarn::erp::db
