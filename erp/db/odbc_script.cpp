#include "erp/db/odbc_script.h"

#include "erp/db/sql_tokens.h"

namespace tarn::erp::db::odbc {
namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view trimmed(std::u16string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A dollar-quote tag: $$ or $name$ with no '$' inside the name.
bool isDollarTag(std::u16string_view word) {
  return word.size() >= 2 && word.front() == u'$' && word.back() == u'$' &&
         word.substr(1, word.size() - 2).find(u'$') == std::u16string_view::npos;
}

}  // namespace

std::vector<std::u16string_view> splitScript(std::u16string_view script) {
  std::vector<std::u16string_view> statements;
  std::size_t start = 0;
  bool significant = false;  // the statement so far holds more than blanks and comments
  bool isCreate = false;
  int blockDepth = 0;
  const auto finish = [&](std::size_t end) {
    if (significant) statements.push_back(trimmed(script.substr(start, end - start)));
    significant = false;
    isCreate = false;
    blockDepth = 0;
  };
  std::size_t position = 0;
  while (position < script.size()) {
    SqlLexer lexer(script.substr(position));
    const SqlToken token = lexer.next();
    const std::size_t tokenStart = position;
    position += token.text.size();
    if (token.isInsignificant()) continue;
    if (token.isSymbol(u';') && blockDepth == 0) {
      finish(tokenStart);
      start = position;
      continue;
    }
    if (!significant) isCreate = token.isWord(u"create");
    significant = true;
    if (token.kind == SqlTokenKind::kWord && isDollarTag(token.text)) {
      const std::size_t close = script.find(token.text, position);
      position = close == std::u16string_view::npos ? script.size() : close + token.text.size();
    } else if (isCreate && (token.isWord(u"begin") || token.isWord(u"case"))) {
      ++blockDepth;
    } else if (isCreate && token.isWord(u"end") && blockDepth > 0) {
      --blockDepth;
    }
  }
  finish(script.size());
  return statements;
}

}  // namespace tarn::erp::db::odbc
