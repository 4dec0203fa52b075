#include "erp/db/dialect.h"

#include <array>
#include <optional>
#include <string>

#include "erp/db/sql_tokens.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

bool isWholeNumber(const SqlToken& token) {
  return token.kind == SqlTokenKind::kNumber && token.text.find(u'.') == std::u16string_view::npos;
}

bool isCompoundOperator(const SqlToken& token) {
  return token.isWord(u"union") || token.isWord(u"except") || token.isWord(u"intersect");
}

// How a bracketed name becomes a quoted one: as written, or with ASCII letters in lower case
// (PostgreSQL, whose ERP schema names are unquoted and so folded to lower case).
enum class NameCase { kAsWritten, kAsciiLower };

// An unclosed bracket is left as it is, for the database to reject.
void appendBracketedAsQuoted(std::u16string& out, std::u16string_view bracketed,
                             NameCase nameCase) {
  out += u'"';
  for (std::size_t i = 1; i + 1 < bracketed.size(); ++i) {
    char16_t c = bracketed[i];
    if (c == u']') ++i;  // the first of a doubled ']'
    if (c == u'"') out += u'"';
    if (nameCase == NameCase::kAsciiLower && c >= u'A' && c <= u'Z') c += u'a' - u'A';
    out += c;
  }
  out += u'"';
}

// Two pieces whose meeting would make one token of two: "a" "b" (one identifier a"b), 'a' 'b'
// (one literal a'b), ? 1 (the parameter ?1).
bool wouldJoin(char16_t last, char16_t first) {
  return (first == u'"' && last == u'"') || (first == u'\'' && last == u'\'') ||
         (last == u'?' && first >= u'0' && first <= u'9');
}

// PostgreSQL also refuses a parameter run on into a word (?and: "trailing junk after
// parameter"), where SQL Server reads a literal run on into a word as two tokens ('x'and).
bool wouldJoinForPostgreSql(char16_t last, char16_t first) {
  const bool wordStart = (first >= u'a' && first <= u'z') || (first >= u'A' && first <= u'Z') ||
                         first == u'_' || first > 0x7f;
  return wouldJoin(last, first) || (last == u'?' && wordStart);
}

// A `top N` clause found right after a select: where it starts and ends in the text (the
// blanks after the count included) and the count.
struct TopClause {
  std::size_t first;
  std::size_t end;
  std::u16string_view count;
};

// Looks for `[distinct|all] top N` or `... top (N)` after a select; `lexer` stands just after
// the select and is not moved.
std::optional<TopClause> topClauseAfter(std::u16string_view text, SqlLexer lexer) {
  SqlToken token{};
  if (!lexer.nextSignificant(token)) return std::nullopt;
  if (token.isWord(u"distinct") || token.isWord(u"all")) {
    if (!lexer.nextSignificant(token)) return std::nullopt;
  }
  if (!token.isWord(u"top")) return std::nullopt;
  const auto first = static_cast<std::size_t>(token.text.data() - text.data());
  if (!lexer.nextSignificant(token)) return std::nullopt;
  const bool parenthesised = token.isSymbol(u'(');
  if (parenthesised && !lexer.nextSignificant(token)) return std::nullopt;
  if (!isWholeNumber(token)) return std::nullopt;
  const std::u16string_view count = token.text;
  // A count run on into a word (21e3, a float; 21x) is no plain count: left as it stands.
  if (SqlLexer adjacent = lexer; !adjacent.atEnd()) {
    const SqlTokenKind kind = adjacent.next().kind;
    if (kind == SqlTokenKind::kWord || kind == SqlTokenKind::kNumber) return std::nullopt;
  }
  if (parenthesised && !(lexer.nextSignificant(token) && token.isSymbol(u')'))) {
    return std::nullopt;
  }
  SqlLexer ahead = lexer;
  if (ahead.nextSignificant(token) && (token.isWord(u"percent") || token.isWord(u"with"))) {
    return std::nullopt;  // no SQLite equivalent: left for SQLite to reject
  }
  while (!lexer.atEnd()) {
    SqlLexer peek = lexer;
    if (peek.next().kind != SqlTokenKind::kBlank) break;
    lexer = peek;
  }
  return TopClause{first, lexer.position(), count};
}

// Builds the adapted text in one pass, statement by statement, remembering where the current
// statement's last meaningful token ended so that a limit can be placed there (before trailing
// comments).
class Adapter {
 public:
  // `forPostgreSql`: bracketed names that refer to something are folded to lower case (a name
  // that follows AS is being given, and keeps its letter case), and a parameter marker is kept
  // apart from a word that follows it.
  Adapter(std::u16string_view text, bool forPostgreSql)
      : text_(text), lexer_(text), postgres_(forPostgreSql) {}

  std::u16string run() {
    while (!lexer_.atEnd()) take(lexer_.next());
    endStatement();
    return std::move(out_);
  }

 private:
  // A top clause taken out: where its comments went in the output, and its own text, which
  // goes back in should the statement turn out to be a compound select.
  struct RemovedTop {
    std::size_t outputFirst;
    std::size_t outputEnd;
    std::u16string_view clause;
    std::u16string_view count;
  };

  void take(const SqlToken& token) {
    if (token.isSymbol(u'(')) ++depth_;
    if (token.isSymbol(u')') && depth_ > 0) --depth_;
    if (depth_ == 0 && token.isSymbol(u';')) {
      endStatement();
      append(token.text, false);
      return;
    }
    if (depth_ == 0 && isCompoundOperator(token)) compound_ = true;
    switch (token.kind) {
      case SqlTokenKind::kUnicodeString:
        append(token.text.substr(1), true);
        break;
      case SqlTokenKind::kBracketed:
        if (token.isUnclosed()) {
          append(token.text, true);
        } else {
          separateFrom(u'"');
          appendBracketedAsQuoted(
              out_, token.text,
              postgres_ && !afterAs_ ? NameCase::kAsciiLower : NameCase::kAsWritten);
          statementEnd_ = out_.size();
        }
        break;
      default:
        append(token.text, !token.isInsignificant());
    }
    if (!token.isInsignificant()) afterAs_ = token.isWord(u"as");
    if (depth_ == 0 && !selectSeen_ && token.isWord(u"select")) {
      selectSeen_ = true;
      if (const auto top = topClauseAfter(text_, lexer_)) removeTop(*top);
    }
  }

  // Keeps what lies between select and top (distinct, blanks); of the clause itself only its
  // comments stay.
  void removeTop(const TopClause& top) {
    while (lexer_.position() < top.first) {
      const SqlToken token = lexer_.next();
      append(token.text, !token.isInsignificant());
    }
    RemovedTop removed{out_.size(), 0, text_.substr(top.first, top.end - top.first), top.count};
    while (lexer_.position() < top.end) {
      const SqlToken token = lexer_.next();
      if (token.isInsignificant() && token.kind != SqlTokenKind::kBlank) {
        append(token.text, false);
      }
    }
    removed.outputEnd = out_.size();
    removedTop_ = removed;
  }

  void endStatement() {
    if (removedTop_ && compound_) {
      out_.replace(removedTop_->outputFirst, removedTop_->outputEnd - removedTop_->outputFirst,
                   removedTop_->clause);
    } else if (removedTop_) {
      std::u16string limit = u" limit ";
      limit += removedTop_->count;
      out_.insert(statementEnd_, limit);
    }
    removedTop_.reset();
    selectSeen_ = false;
    compound_ = false;
  }

  void separateFrom(char16_t first) {
    if (out_.empty()) return;
    const bool join =
        postgres_ ? wouldJoinForPostgreSql(out_.back(), first) : wouldJoin(out_.back(), first);
    if (join) out_ += u' ';
  }

  void append(std::u16string_view piece, bool significant) {
    if (piece.empty()) return;
    separateFrom(piece.front());
    out_ += piece;
    if (significant) statementEnd_ = out_.size();
  }

  std::u16string_view text_;
  SqlLexer lexer_;
  std::u16string out_;
  bool postgres_;
  bool afterAs_ = false;
  int depth_ = 0;
  bool selectSeen_ = false;
  bool compound_ = false;
  std::size_t statementEnd_ = 0;
  std::optional<RemovedTop> removedTop_;
};

// Statements whose literals may become parameters: SQLite refuses parameters in its schema
// statements (defaults, checks, views) and in pragmas.
bool takesParameters(const SqlToken& firstWord) {
  static constexpr std::array<std::u16string_view, 7> kWords{
      u"select", u"insert", u"update", u"delete", u"replace", u"with", u"values"};
  for (const auto word : kWords) {
    if (firstWord.isWord(word)) return true;
  }
  return false;
}

// Words after which a literal is a value, not the name of a column: the keywords that an
// expression may follow. After any other word (an identifier, AS, END, NULL) a literal names
// the column before it.
bool introducesValue(const SqlToken& word) {
  static constexpr std::array<std::u16string_view, 29> kWords{
      u"select", u"distinct", u"all",    u"where",  u"and",     u"or",     u"not",  u"like",
      u"glob",   u"escape",   u"is",     u"in",     u"between", u"when",   u"then", u"else",
      u"case",   u"on",       u"having", u"by",     u"return",  u"values", u"set",  u"exists",
      u"any",    u"some",     u"limit",  u"offset", u"print"};
  for (const auto keyword : kWords) {
    if (word.isWord(keyword)) return true;
  }
  return false;
}

// True when a literal after `previous` (the statement's last significant token, if any) stands
// for a value.
bool isValuePosition(const std::optional<SqlToken>& previous) {
  if (!previous) return true;
  switch (previous->kind) {
    case SqlTokenKind::kSymbol:
      return !previous->isSymbol(u')');
    case SqlTokenKind::kWord:
      return introducesValue(*previous);
    default:
      return false;  // a number, a literal or a quoted name ends an expression
  }
}

[[noreturn]] void refuse(std::string_view what, std::u16string_view shown) {
  automation::raise(automation::ErrorCode::kComponentFailure,
                    std::string(what) + ": " + automation::toUtf8(shown));
}

// A $ where PostgreSQL begins a token (a dollar quote or a parameter): at the start of a word as
// this layer reads words, or after an @ or #, which PostgreSQL does not take into a name.
bool holdsDollarToken(std::u16string_view word) {
  for (std::size_t at = word.find(u'$'); at != std::u16string_view::npos;
       at = word.find(u'$', at + 1)) {
    if (at == 0 || word[at - 1] == u'@' || word[at - 1] == u'#') return true;
  }
  return false;
}

// A word whose last name, as PostgreSQL reads names, is E: run on into a literal, it opens an
// escape string.
bool endsInEscapePrefix(const SqlToken& token) {
  if (token.kind != SqlTokenKind::kWord) return false;
  const std::size_t cut = token.text.find_last_of(u"@#");
  const std::u16string_view name =
      cut == std::u16string_view::npos ? token.text : token.text.substr(cut + 1);
  return name == u"E" || name == u"e";
}

// A name SQLite reads as a variable ($a, @a, #a, :a); run on into '(' it takes everything up to
// the next ')' or blank into its name.
bool isSqliteVariable(const SqlToken& word, const std::optional<SqlToken>& before) {
  return word.kind == SqlTokenKind::kWord &&
         (word.text.front() == u'$' ||
          word.text.find_first_of(u"@#") != std::u16string_view::npos ||
          (before && before->isSymbol(u':')));
}

// Refuses `token` (`previous` and `beforePrevious` come right before it, blanks included) when
// the database of `dialect` may read it otherwise than this layer's lexer does.
void requireSameReading(Dialect dialect, const SqlToken& token,
                        const std::optional<SqlToken>& previous,
                        const std::optional<SqlToken>& beforePrevious, std::u16string_view shown) {
  if (token.kind == SqlTokenKind::kBlockComment &&
      token.text.find(u"/*", 2) != std::u16string_view::npos) {
    refuse(
        "the statement holds a comment opened inside a comment, which SQL Server and PostgreSQL "
        "read as nested",
        shown);
  }
  // A line comment ends before its line break: a carriage return as its last code unit stands
  // just before the line break (or the end of the text).
  if (token.kind == SqlTokenKind::kLineComment &&
      token.text.substr(0, token.text.size() - 1).find(u'\r') != std::u16string_view::npos) {
    refuse(
        "the statement holds a carriage return inside a line comment, where PostgreSQL ends the "
        "comment",
        shown);
  }
  if (dialect == Dialect::kPostgreSql) {
    if (token.kind == SqlTokenKind::kWord && holdsDollarToken(token.text)) {
      refuse(
          "the statement holds a $ outside quotes, which PostgreSQL reads as a dollar quote or "
          "a parameter",
          shown);
    }
    if (token.kind == SqlTokenKind::kString && previous && endsInEscapePrefix(*previous)) {
      refuse(
          "the statement holds an escape string E'...', whose backslashes PostgreSQL reads as "
          "escapes",
          shown);
    }
    if (token.kind == SqlTokenKind::kBracketed) {
      refuse("the statement holds a [ ], which PostgreSQL reads as a subscript", shown);
    }
  }
  if (dialect == Dialect::kSqlite) {
    if (token.isSymbol(u'`')) {
      refuse("the statement holds a backtick, which SQLite reads as quoting a name", shown);
    }
    if (token.isSymbol(u'(') && previous && isSqliteVariable(*previous, beforePrevious)) {
      refuse(
          "the statement holds a variable run on into a parenthesis, which SQLite reads as "
          "one name",
          shown);
    }
  }
}

}  // namespace

std::u16string adaptTo(Dialect dialect, std::u16string_view sqlServerText) {
  switch (dialect) {
    case Dialect::kSqlServer:
      return std::u16string(sqlServerText);
    case Dialect::kSqlite:
      return adaptToSqlite(sqlServerText);
    case Dialect::kPostgreSql:
      return adaptToPostgreSql(sqlServerText);
  }
  return std::u16string(sqlServerText);
}

std::u16string adaptToSqlite(std::u16string_view sqlServerText) {
  return Adapter(sqlServerText, false).run();
}

std::u16string adaptToPostgreSql(std::u16string_view sqlServerText) {
  return Adapter(sqlServerText, true).run();
}

void shapeStatement(std::u16string_view text, StatementShape& shape) {
  shape.text.clear();
  shape.values.clear();
  SqlLexer lexer(text);
  std::size_t copied = 0;
  int depth = 0;
  bool parameters = false;
  std::optional<SqlToken> previous;  // the statement's last significant token
  while (!lexer.atEnd()) {
    const std::size_t at = lexer.position();
    const SqlToken token = lexer.next();
    if (token.isInsignificant()) continue;
    if (!previous) parameters = takesParameters(token);
    if (token.isSymbol(u'?')) {
      automation::raise(automation::ErrorCode::kComponentFailure,
                        "a statement in SQL Server dialect takes no parameter markers: " +
                            automation::toUtf8(text));
    }
    const bool literal =
        token.kind == SqlTokenKind::kString || token.kind == SqlTokenKind::kUnicodeString;
    if (literal && parameters && !token.isUnclosed() && isValuePosition(previous)) {
      const std::size_t open = token.kind == SqlTokenKind::kUnicodeString ? 2 : 1;
      shape.text.append(text.substr(copied, at - copied));
      shape.text += u'?';
      copied = lexer.position();
      shape.values.push_back({token.text.substr(open, token.text.size() - open - 1), at});
    }
    if (token.isSymbol(u'(')) ++depth;
    if (token.isSymbol(u')') && depth > 0) --depth;
    previous = token;
    if (depth == 0 && token.isSymbol(u';')) previous.reset();
  }
  shape.text.append(text.substr(copied));
}

void appendLiteralValue(std::u16string& out, const LiteralValue& literal) {
  const std::u16string_view quoted = literal.quoted;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    out += quoted[i];
    if (quoted[i] == u'\'') ++i;  // the second of a doubled apostrophe
  }
}

std::u16string_view oneStatement(Dialect dialect, std::u16string_view text,
                                 std::u16string_view shown) {
  SqlLexer lexer(text);
  std::optional<std::size_t> end;  // where the first statement's ';' stands
  std::optional<SqlToken> previous;
  std::optional<SqlToken> beforePrevious;
  while (!lexer.atEnd()) {
    const std::size_t at = lexer.position();
    const SqlToken token = lexer.next();
    requireSameReading(dialect, token, previous, beforePrevious, shown);
    if (token.isSymbol(u';')) {
      if (!end) end = at;
    } else if (end && !token.isInsignificant()) {
      refuse("one statement at a time", shown);
    }
    beforePrevious = previous;
    previous = token;
  }
  return text.substr(0, end.value_or(text.size()));
}

}  // namespace tarn::erp::db
