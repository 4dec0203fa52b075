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

// The text form of column i: the value as text, '' for null.
std::u16string textOf(std::size_t i) { return u"coalesce(cast(c" + number(i) + u" as text), '')"; }

// SQLite's index walk (RankedShape::byIndex): the numbers of the wrapper's parameters.
struct Numbers {
  std::u16string match, pattern, lo, hi, rank, limit, offset;
  std::vector<std::u16string> texts;  // the cursor's t1 .. tN
};

Numbers numbersOf(const RankedShape& shape) {
  std::size_t next = shape.values;
  const auto take = [&next] { return u"?" + number(++next); };
  Numbers numbers;
  if (shape.ranked) {
    numbers.match = take();
    numbers.pattern = take();
    numbers.lo = take();
    numbers.hi = take();
  }
  if (shape.after) {
    numbers.rank = take();
    for (std::size_t i = 0; i < shape.columns; ++i) numbers.texts.push_back(take());
  }
  numbers.limit = take();
  numbers.offset = take();
  return numbers;
}

// Strictly after the cursor's texts, each term given with its own parameter.
std::u16string afterTexts(const std::vector<std::pair<std::u16string, std::u16string>>& terms) {
  std::u16string condition;
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) {
    condition += u"(" + terms[i].first + u" > " + terms[i].second + u" or (" + terms[i].first +
                 u" = " + terms[i].second + u" and ";
  }
  condition += u"(" + terms.back().first + u" > " + terms.back().second + u")";
  for (std::size_t i = 0; i + 1 < terms.size(); ++i) condition += u"))";
  return condition;
}

// A part of the text rows: those of one rank between two bounds of the first column under the
// rule. The bounds are texts (or the blob x'') that no affinity turns into numbers, so only text
// rows lie between them, and SQLite walks the index from one to the other in order, keeping the
// window's rows; `exact` adds what the bounds alone do not decide. A part of the cursor's rank
// starts at the cursor's value, checks the whole key and, as the cursor's value may be any
// text, that the value is text.
struct TextPart {
  int rank;
  std::u16string lower;  // e.g. "> ?4" or ">= ''": the comparison and the lower bound
  std::u16string upper;  // e.g. "< ?5"
  std::u16string exact;  // "" or " and ..."
};

std::u16string textPart(const RankedShape& shape, const Numbers& n, const TextPart& given) {
  const std::u16string value = u"c1 collate ERP_CI";
  std::u16string where = value + u" " + given.upper + given.exact;
  if (shape.after && shape.afterRank == given.rank) {
    // The walk starts at the cursor's value or the part's own bound, whichever is higher; the
    // part's bound still decides (+ keeps SQLite from walking from it instead).
    const std::size_t bound = given.lower.find(u' ');
    where = value + u" >= max(" + n.texts[0] + u" collate ERP_CI, " +
            given.lower.substr(bound + 1) + u") and +" + value + u" " + given.lower + u" and " +
            where + u" and typeof(c1) = 'text'";
    std::vector<std::pair<std::u16string, std::u16string>> terms{
        {textOf(1) + u" collate ERP_CI", n.texts[0]}};
    for (std::size_t i = 1; i <= shape.columns; ++i) {
      terms.emplace_back(textOf(i) + u" collate binary", n.texts[i - 1]);
    }
    where += u" and " + afterTexts(terms);
  } else {
    where = value + u" " + given.lower + u" and " + where;
  }
  std::u16string part = u"select * from (select " + columnList(u"c", shape.columns) + u", " +
                        number(static_cast<std::size_t>(given.rank)) + u" as r, c1 as t1";
  for (std::size_t i = 2; i <= shape.columns; ++i) {
    part += u", " + textOf(i) + u" as t" + number(i);
  }
  part += u" from p where " + where + u" order by c1 collate ERP_CI, c1 collate binary";
  for (std::size_t i = 2; i <= shape.columns; ++i) part += u", t" + number(i) + u" collate binary";
  return part + u" limit " + n.limit + u" + " + n.offset + u")";
}

// The text parts: without a match one; with one, the values equal to it, those that start with
// it (between lo and hi) and the rest, below lo, between lo and hi, and from hi on.
std::vector<TextPart> textParts(const RankedShape& shape, const Numbers& n) {
  if (!shape.ranked) return {{2, u">= ''", u"< x''", u""}};
  const std::u16string text = u"cast(c1 as text) collate ERP_CI";
  const std::u16string like = u"cast(c1 as text) like " + n.pattern + u" escape '\\'";
  return {
      {0, u"> " + n.lo, u"< " + n.hi,
       u" and c1 collate ERP_CI = " + n.match + u" and " + text + u" = " + n.match},
      {1, u"> " + n.lo, u"< " + n.hi, u" and not " + text + u" = " + n.match + u" and " + like},
      {2, u">= ''", u"<= " + n.lo, u""},
      {2, u"> " + n.lo, u"< " + n.hi, u" and not " + text + u" = " + n.match + u" and not " + like},
      {2, u">= " + n.hi, u"< x''", u""},
  };
}

// The part of the other rows that `condition` selects, ranked and ordered by their text forms.
std::u16string otherPart(const RankedShape& shape, const Numbers& n,
                         std::u16string_view condition) {
  const std::u16string values = columnList(u"c", shape.columns);
  const std::u16string texts = columnList(u"t", shape.columns);
  std::u16string part = u"select * from (select " + values + u", r, " + texts + u" from (select " +
                        values + u", " + texts + u", ";
  part += shape.ranked ? u"case when t1 collate ERP_CI = " + n.match + u" then 0 when t1 like " +
                             n.pattern + u" escape '\\' then 1 else 2 end"
                       : u"2";
  part += u" as r from (select " + values;
  for (std::size_t i = 1; i <= shape.columns; ++i) part += u", " + textOf(i) + u" as t" + number(i);
  part += u" from p where " + std::u16string(condition) + u") as k) as q";
  if (shape.after) {
    std::vector<std::pair<std::u16string, std::u16string>> terms{
        {u"r", n.rank}, {u"t1 collate ERP_CI", n.texts[0]}};
    for (std::size_t i = 1; i <= shape.columns; ++i) {
      terms.emplace_back(u"t" + number(i) + u" collate binary", n.texts[i - 1]);
    }
    part += u" where " + afterTexts(terms);
  }
  part += u" order by r, t1 collate ERP_CI, t1 collate binary";
  for (std::size_t i = 2; i <= shape.columns; ++i) part += u", t" + number(i) + u" collate binary";
  return part + u" limit " + n.limit + u" + " + n.offset + u")";
}

std::u16string indexWalk(std::u16string_view innerNative, const RankedShape& shape) {
  const Numbers n = numbersOf(shape);
  std::vector<std::u16string> parts;
  for (const auto& part : textParts(shape, n)) {
    if (!shape.after || part.rank >= shape.afterRank) parts.push_back(textPart(shape, n, part));
  }
  // The rows the text parts leave: null, below '' under the rule (numbers, texts that start
  // with a control character), blobs.
  for (const std::u16string_view condition :
       {u"c1 is null", u"c1 collate ERP_CI < ''", u"c1 >= x''"}) {
    parts.push_back(otherPart(shape, n, condition));
  }
  const std::u16string values = columnList(u"c", shape.columns);
  const std::u16string texts = columnList(u"t", shape.columns);
  std::u16string text = u"with p(" + values + u") as not materialized (\n";
  text += innerNative;
  text += u"\n)\nselect " + values + u", r, " + texts + u" from (\n";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += u"\nunion all\n";
    text += parts[i];
  }
  text += u"\n) as a\norder by r, t1 collate ERP_CI, t1 collate binary";
  for (std::size_t i = 2; i <= shape.columns; ++i) text += u", t" + number(i) + u" collate binary";
  return text + u"\nlimit " + n.limit + u" offset " + n.offset;
}

bool isControlOrBlank(char32_t c) { return c <= u' '; }

}  // namespace

std::optional<std::pair<std::u16string, std::u16string>> prefixBounds(std::u16string_view match) {
  if (match.empty()) return std::nullopt;
  const std::size_t firstNonBlank = match.find_first_not_of(u' ');
  if (firstNonBlank == std::u16string_view::npos || isControlOrBlank(match[firstNonBlank])) {
    return std::nullopt;
  }
  // The last character, as a code point, folded as the rule folds it.
  std::size_t lastAt = match.size() - 1;
  char32_t last = match[lastAt];
  if (last >= 0xDC00 && last <= 0xDFFF && lastAt > 0 && match[lastAt - 1] >= 0xD800 &&
      match[lastAt - 1] <= 0xDBFF) {
    --lastAt;
    last = 0x10000 + ((char32_t{match[lastAt]} - 0xD800) << 10) + (last - 0xDC00);
  }
  if (isControlOrBlank(last)) return std::nullopt;
  if ((last >= 0xD800 && last <= 0xDFFF) || last >= 0x10FFFF) return std::nullopt;
  if (last >= u'A' && last <= u'Z') last += u'a' - u'A';
  const auto append = [](std::u16string& text, char32_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) c = c < 0xDC00 ? 0xD7FF : 0xE000;
    if (c < 0x10000) {
      text += static_cast<char16_t>(c);
    } else {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  };
  // Below: the match's head, then a character below the last (never an upper-case letter, which
  // the rule would fold above it) and U+10FFFF. Above: the head, then the character after the
  // last and U+0001, which no number ends with.
  char32_t below = last - 1;
  if (below >= u'A' && below <= u'Z') below = u'@';
  if (below >= 0xD800 && below <= 0xDFFF) below = 0xD7FF;
  std::u16string lo(match.substr(0, lastAt));
  std::u16string hi = lo;
  append(lo, below);
  append(lo, 0x10FFFF);
  char32_t above = last + 1;
  if (above >= 0xD800 && above <= 0xDFFF) above = 0xE000;
  append(hi, above);
  hi += u'\x01';
  return std::make_pair(std::move(lo), std::move(hi));
}

std::optional<std::u16string> columnsStatement(Dialect dialect, std::u16string_view innerNative) {
  if (dialect == Dialect::kSqlServer) return std::nullopt;
  return u"with p as (\n" + std::u16string(innerNative) + u"\n)\nselect * from p where 1 = 0";
}

std::size_t rankingParameters(Dialect dialect) { return dialect == Dialect::kPostgreSql ? 3 : 2; }

std::size_t cursorParameters(std::size_t columns) { return 2 * (columns + 2) - 1; }

std::u16string rankedStatement(Dialect dialect, std::u16string_view innerNative,
                               RankedShape shape) {
  if (shape.byIndex && dialect == Dialect::kSqlite) return indexWalk(innerNative, shape);
  const Words words = wordsOf(dialect);
  const std::u16string values = columnList(u"c", shape.columns);
  const std::u16string texts = columnList(u"t", shape.columns);
  const bool capped = shape.capped && dialect == Dialect::kSqlite;
  std::u16string text = u"with p(" + values + u") as (\n";
  if (capped) text += u"select * from (\n";
  text += innerNative;
  if (capped) text += u"\n) limit ?";
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
