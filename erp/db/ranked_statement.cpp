#include "erp/db/ranked_statement.h"

#include <optional>
#include <string>
#include <vector>

#include "erp/db/sql_tokens.h"

namespace tarn::erp::db {
namespace {

// What differs between the backends' wrappers.
struct Words {
  std::u16string_view textType;  // the type every column is cast to for its text form
  std::u16string_view rule;      // the suffix that compares under the ERP's comparison rule
  std::u16string_view exact;     // the suffix that compares code point by code point
  std::u16string_view rank;      // the rank of a row by its value t1
};

Words wordsOf(Dialect dialect) {
  switch (dialect) {
    case Dialect::kSqlite:
      // SQLite's LIKE folds ASCII letters only, as ERP_CI does.
      return {u"text", u" collate ERP_CI", u" collate binary",
              u"case when t1 collate ERP_CI = ? then 0 when t1 like ? escape '\\' then 1 "
              u"else 2 end"};
    case Dialect::kPostgreSql:
      // The domain's LIKE takes no escape character, so "starts with" compares the value's
      // first characters, as many as the match has, under the domain's collation.
      return {u"text", u" collate erp_ci", u" collate \"C\"",
              u"case when t1 collate erp_ci = ? then 0 when left(t1, ?) collate erp_ci = ? then 1 "
              u"else 2 end"};
    case Dialect::kSqlServer:
      break;
  }
  // The database's own collation is the ERP's rule.
  return {u"nvarchar(max)", u"", u" collate Latin1_General_BIN2",
          u"case when t1 = ? then 0 when t1 like ? escape N'\\' then 1 else 2 end"};
}

std::u16string number(std::size_t n) {
  std::u16string text;
  for (const char c : std::to_string(n)) text += static_cast<char16_t>(c);
  return text;
}

std::u16string columnList(std::u16string_view prefix, std::size_t columns) {
  std::u16string list;
  for (std::size_t i = 1; i <= columns; ++i) {
    if (i > 1) list += u", ";
    list += prefix;
    list += number(i);
  }
  return list;
}

// The order key's terms, first to last: r, t1 under the rule, then t1 .. tN exactly.
std::vector<std::u16string> keyTerms(const Words& words, std::size_t columns) {
  std::vector<std::u16string> terms{u"r", u"t1" + std::u16string(words.rule)};
  for (std::size_t i = 1; i <= columns; ++i) {
    terms.push_back(u"t" + number(i) + std::u16string(words.exact));
  }
  return terms;
}

// Strictly after the cursor's key: (a > ? or (a = ? and (b > ? or (... (z > ?))))).
std::u16string afterCondition(const std::vector<std::u16string>& terms) {
  std::u16string condition;
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) {
    condition += u"(" + terms[i] + u" > ? or (" + terms[i] + u" = ? and ";
  }
  condition += u"(" + terms.back() + u" > ?)";
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) condition += u"))";
  return condition;
}

}  // namespace

std::optional<std::u16string> columnsStatement(Dialect dialect, std::u16string_view innerNative) {
  if (dialect == Dialect::kSqlServer) return std::nullopt;
  return u"with p as (\n" + std::u16string(innerNative) + u"\n)\nselect * from p where 1 = 0";
}

std::size_t rankingParameters(Dialect dialect) { return dialect == Dialect::kPostgreSql ? 3 : 2; }

std::size_t cursorParameters(std::size_t columns) { return 2 * (columns + 2) - 1; }

std::u16string rankedStatement(Dialect dialect, std::u16string_view innerNative,
                               RankedShape shape) {
  const Words words = wordsOf(dialect);
  const std::u16string values = columnList(u"c", shape.columns);
  const std::u16string texts = columnList(u"t", shape.columns);
  std::u16string text = u"with p(" + values + u") as (\n";
  text += innerNative;
  text += u"\n)\nselect " + values + u", r, " + texts + u" from (select " + values + u", " + texts +
          u", " + std::u16string(shape.ranked ? words.rank : u"2") + u" as r from (select " +
          values;
  for (std::size_t i = 1; i <= shape.columns; ++i) {
    text += u", coalesce(cast(c" + number(i) + u" as " + std::u16string(words.textType) + u"), " +
            (dialect == Dialect::kSqlServer ? u"N''" : u"''") + u") as t" + number(i);
  }
  text += u" from p) as k) as q\n";
  const auto terms = keyTerms(words, shape.columns);
  if (shape.after) text += u"where " + afterCondition(terms) + u"\n";
  text += u"order by ";
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i > 0) text += u", ";
    text += terms[i];
  }
  text += dialect == Dialect::kSqlServer ? u"\noffset ? rows fetch next ? rows only"
                                         : u"\nlimit ? offset ?";
  return text;
}

std::u16string_view withoutClosingOrder(std::u16string_view sqlServerText) {
  SqlLexer lexer(sqlServerText);
  SqlToken token{SqlTokenKind::kBlank, {}};
  std::optional<SqlToken> previous;
  std::optional<std::size_t> orderAt;  // where the last ORDER BY outside parentheses begins
  std::size_t previousAt = 0;
  int depth = 0;
  bool seenSelect = false;
  bool afterSelect = false;  // just after the first select and any distinct or all
  while (true) {
    if (!lexer.nextSignificant(token)) break;
    // nextSignificant skips blanks: the token starts where its text does.
    const std::size_t start = static_cast<std::size_t>(token.text.data() - sqlServerText.data());
    if (depth == 0) {
      if (afterSelect && token.isWord(u"top")) return sqlServerText;
      const bool select = !seenSelect && token.isWord(u"select");
      afterSelect = select || (afterSelect && (token.isWord(u"distinct") || token.isWord(u"all")));
      seenSelect = seenSelect || select;
      if (token.isWord(u"by") && previous && previous->isWord(u"order")) orderAt = previousAt;
      if (orderAt && (token.isWord(u"offset") || token.isWord(u"fetch") || token.isWord(u"for") ||
                      token.isWord(u"option") || token.isSymbol(u';'))) {
        return sqlServerText;
      }
    }
    // The shape's parameter markers must all stay: the values are bound by position.
    if (orderAt && token.isSymbol(u'?')) return sqlServerText;
    if (token.isSymbol(u'(')) ++depth;
    if (token.isSymbol(u')') && depth > 0) --depth;
    previous = token;
    previousAt = start;
  }
  if (!orderAt) return sqlServerText;
  std::u16string_view kept = sqlServerText.substr(0, *orderAt);
  while (!kept.empty() && (kept.back() == u' ' || kept.back() == u'\t' || kept.back() == u'\r' ||
                           kept.back() == u'\n')) {
    kept.remove_suffix(1);
  }
  return kept;
}

std::u16string startsWithPattern(std::u16string_view match) {
  std::u16string pattern;
  pattern.reserve(match.size() + 1);
  for (const char16_t c : match) {
    if (c == u'%' || c == u'_' || c == u'[' || c == u'\\') pattern += u'\\';
    pattern += c;
  }
  pattern += u'%';
  return pattern;
}

}  // namespace tarn::erp::db
