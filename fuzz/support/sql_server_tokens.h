// A small tokenizer of the SQL Server dialect for the fuzz targets' oracles, written apart from
// the database layer's own so that a fault in one is not mirrored in the other. Blanks (space,
// tab, line breaks) separate tokens and are dropped.
//
//   '…'  and N'…'  a string literal; '' inside stands for one '
//   […]            a bracketed name; ]] inside stands for one ]
//   "…"            a quoted name; "" inside stands for one "
//   -- …, /* … */  a comment
//   words          letters, digits, _ @ # $ and every code unit from U+0080 up, not starting
//                  with a digit
//   numbers        digits, an optional fraction and an optional exponent
//   symbols        any other single code unit
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarn::fuzz {

enum class SqlKind { kLiteral, kBracketed, kQuoted, kComment, kWord, kNumber, kSymbol };

struct SqlToken {
  SqlKind kind;
  // Literals and names: the text they stand for (quotes undone); others: the text as written.
  std::u16string text;
  bool unicode = false;  // a literal written N'…'
};

struct SqlTokens {
  std::vector<SqlToken> tokens;
  // False when the text ends inside a literal, a name or a comment; the last token then holds
  // what was read of it.
  bool complete = true;
};

SqlTokens tokenizeSqlServer(std::u16string_view sql);

}  // namespace tarn::fuzz
