#include "erp/db/dialect.h"

#include <optional>
#include <vector>

#include "erp/db/sql_tokens.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::equalsIgnoringAsciiCase;

bool isWord(const SqlToken& token, std::u16string_view word) {
  return token.kind == SqlTokenKind::kWord && equalsIgnoringAsciiCase(token.text, word);
}

bool isSymbol(const SqlToken& token, char16_t symbol) {
  return token.kind == SqlTokenKind::kSymbol && token.text.front() == symbol;
}

bool isWholeNumber(const SqlToken& token) {
  return token.kind == SqlTokenKind::kNumber && token.text.find(u'.') == std::u16string_view::npos;
}

// An unclosed bracket is left as it is, for SQLite to reject.
std::u16string bracketedToQuoted(std::u16string_view bracketed) {
  std::u16string quoted = u"\"";
  for (std::size_t i = 1; i < bracketed.size(); ++i) {
    const char16_t c = bracketed[i];
    if (c == u']') {
      if (i + 1 == bracketed.size()) return quoted + u'"';
      ++i;  // the first of a doubled ']'
    }
    if (c == u'"') quoted += u'"';
    quoted += c;
  }
  return std::u16string(bracketed);
}

// A `top N` clause found right after a select: the tokens it covers, from `top` through the
// blanks after the count, and the count itself.
struct TopClause {
  std::size_t first;
  std::size_t last;
  std::u16string_view count;
};

class TopFinder {
 public:
  explicit TopFinder(const std::vector<SqlToken>& tokens) : tokens_(tokens) {}

  // Looks for `[distinct|all] top N` or `... top (N)` after the select at `select`.
  std::optional<TopClause> after(std::size_t select) const {
    std::size_t at = nextSignificant(select + 1);
    if (at < tokens_.size() && (isWord(tokens_[at], u"distinct") || isWord(tokens_[at], u"all"))) {
      at = nextSignificant(at + 1);
    }
    if (at >= tokens_.size() || !isWord(tokens_[at], u"top")) return std::nullopt;
    const std::size_t top = at;
    at = nextSignificant(at + 1);
    const bool parenthesised = at < tokens_.size() && isSymbol(tokens_[at], u'(');
    if (parenthesised) at = nextSignificant(at + 1);
    if (at >= tokens_.size() || !isWholeNumber(tokens_[at])) return std::nullopt;
    const std::u16string_view count = tokens_[at].text;
    if (parenthesised) {
      at = nextSignificant(at + 1);
      if (at >= tokens_.size() || !isSymbol(tokens_[at], u')')) return std::nullopt;
    }
    const std::size_t afterCount = nextSignificant(at + 1);
    if (afterCount < tokens_.size() &&
        (isWord(tokens_[afterCount], u"percent") || isWord(tokens_[afterCount], u"with"))) {
      return std::nullopt;  // no SQLite equivalent: left for SQLite to reject
    }
    std::size_t last = at;
    while (last + 1 < tokens_.size() && tokens_[last + 1].kind == SqlTokenKind::kBlank) ++last;
    return TopClause{top, last, count};
  }

 private:
  std::size_t nextSignificant(std::size_t at) const {
    while (at < tokens_.size() && isInsignificant(tokens_[at])) ++at;
    return at;
  }

  const std::vector<SqlToken>& tokens_;
};

// Builds the adapted text statement by statement, remembering where the current statement's
// last meaningful token ended so that a limit can be placed there (before trailing comments).
class Rewriter {
 public:
  void append(std::u16string_view text, bool significant) {
    out_ += text;
    if (significant) statementEnd_ = out_.size();
  }

  void setLimit(std::u16string_view count) { limit_ = std::u16string(count); }

  void endStatement() {
    if (limit_) out_.insert(statementEnd_, u" limit " + *limit_);
    limit_.reset();
  }

  std::u16string take() {
    endStatement();
    return std::move(out_);
  }

 private:
  std::u16string out_;
  std::size_t statementEnd_ = 0;
  std::optional<std::u16string> limit_;
};

// A compound select (union, except, intersect outside parentheses) would take a limit for the
// whole result, where SQL Server's top limits only its own select: such text keeps its top, for
// SQLite to reject rather than to answer differently.
bool hasCompoundSelect(const std::vector<SqlToken>& tokens) {
  int depth = 0;
  for (const auto& token : tokens) {
    if (isSymbol(token, u'(')) ++depth;
    if (isSymbol(token, u')') && depth > 0) --depth;
    if (depth == 0 &&
        (isWord(token, u"union") || isWord(token, u"except") || isWord(token, u"intersect"))) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::u16string adaptToSqlite(std::u16string_view sqlServerText) {
  const std::vector<SqlToken> tokens = tokenizeSql(sqlServerText);
  const TopFinder topFinder(tokens);
  const bool compound = hasCompoundSelect(tokens);
  Rewriter rewriter;
  int depth = 0;
  bool statementHasSelect = false;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& token = tokens[i];
    if (isSymbol(token, u'(')) ++depth;
    if (isSymbol(token, u')') && depth > 0) --depth;
    if (depth == 0 && isSymbol(token, u';')) {
      rewriter.endStatement();
      statementHasSelect = false;
      rewriter.append(token.text, false);
      continue;
    }
    if (token.kind == SqlTokenKind::kUnicodeString) {
      rewriter.append(token.text.substr(1), true);
      continue;
    }
    if (token.kind == SqlTokenKind::kBracketed) {
      rewriter.append(bracketedToQuoted(token.text), true);
      continue;
    }
    rewriter.append(token.text, !isInsignificant(token));
    if (depth == 0 && !statementHasSelect && !compound && isWord(token, u"select")) {
      statementHasSelect = true;
      if (const auto top = topFinder.after(i)) {
        // Keep what lies between select and top (distinct, blanks); of the clause itself only
        // its comments stay.
        for (std::size_t k = i + 1; k < top->first; ++k) {
          rewriter.append(tokens[k].text, !isInsignificant(tokens[k]));
        }
        for (std::size_t k = top->first; k <= top->last; ++k) {
          if (tokens[k].kind != SqlTokenKind::kBlank && isInsignificant(tokens[k])) {
            rewriter.append(tokens[k].text, false);
          }
        }
        rewriter.setLimit(top->count);
        i = top->last;
      }
    }
  }
  return rewriter.take();
}

}  // namespace tarn::erp::db
