// Adapts statements written in SQL Server dialect (as the component writes them) to SQLite, in
// two steps that the SQLite backend keeps apart so that the second runs once per statement shape:
//
// shapeStatement, on every statement: the string literals that stand for values (N'...' or
// '...') are taken out and replaced by the parameter marker ?, so that statements differing only
// in their values share one shape, and no value reaches SQLite's parser. A literal stays in the
// shape where it is not a value: where it names a column (after AS or right after an
// expression, as in `select cValue 'v'`), in a statement other than select, insert, update,
// delete, replace, with or values (SQLite takes no parameters in its schema statements), and when
// it is unclosed (SQLite then rejects the text as it stands).
//
// adaptToSqlite, on a shape (or on any text): a rewrite that works on tokens (sql_tokens.h), so
// string literals, quoted identifiers and comments are never changed by accident:
//   - N'...' becomes '...' (SQLite text is Unicode already);
//   - [name] becomes "name" (']]' inside stands for ']', a '"' inside is doubled);
//   - `select [distinct|all] top N ...` (N a whole number, possibly in parentheses) loses its
//     `top N` and gets ` limit N` after the last token of that statement, after any ORDER BY.
//     Only the first select of each statement outside parentheses is adapted; `top N percent`
//     and `top N with ties` have no SQLite equivalent and are left as they are, and so is the
//     top of a compound select (union, except, intersect outside parentheses), where a limit
//     would apply to the whole result rather than to the one select;
//   - tokens that were separate stay separate: a blank goes between two quoted tokens that would
//     otherwise read as one ([a][b] becomes "a" "b", N'a'N'b' becomes 'a' 'b'), and between a
//     parameter marker and a number that follows it (?1 would name a parameter).
// Everything else passes through unchanged. The catalogue views (sysobjects, syscolumns,
// systypes) need no rewrite: the SQLite backend provides them on every connection.
//
// adaptToPostgreSql makes the same rewrite with one difference: the ERP schema of a PostgreSQL
// database names its tables and columns unquoted, so PostgreSQL keeps them in lower case, and a
// quoted name must be in lower case to find them. A bracketed name therefore has its ASCII
// letters folded to lower case ([cValue] becomes "cvalue"), except right after AS, where it
// gives a result column its name and keeps its letter case (as [Colour] becomes as "Colour").
// Unquoted names need nothing: PostgreSQL folds them itself. A blank also goes between a
// parameter marker and a word that follows it (a shape's `?and`), which PostgreSQL would refuse.
// The comparison rule, LIKE and the catalogue views come with the PostgreSQL schema
// (db/postgres_setup.sql).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::erp::db {

// The SQL a connection's database speaks. The component's statements are SQL Server dialect:
// a SQL Server receives them as written; SQLite and PostgreSQL receive them adapted as
// described above.
enum class Dialect { kSqlServer, kSqlite, kPostgreSql };

// The text a database of `dialect` is given for `sqlServerText`.
std::u16string adaptTo(Dialect dialect, std::u16string_view sqlServerText);

std::u16string adaptToSqlite(std::u16string_view sqlServerText);
std::u16string adaptToPostgreSql(std::u16string_view sqlServerText);

// A string literal that stands for a value: the text between its quotes (each apostrophe of
// the value still doubled) and the offset of the literal, prefix included, in its statement.
struct LiteralValue {
  std::u16string_view quoted;
  std::size_t offset = 0;

  friend bool operator==(const LiteralValue&, const LiteralValue&) = default;
};

struct StatementShape {
  std::u16string text;               // the statement with a ? for each value
  std::vector<LiteralValue> values;  // views into the statement, in order
};

// Fills `shape` for `sqlServerText`, reusing its buffers. The values view `sqlServerText`, which
// must outlive their use. Raises kComponentFailure when the text holds a parameter marker ?
// outside literals, identifiers and comments: SQL Server dialect has none, and one would take a
// value meant for a literal.
void shapeStatement(std::u16string_view sqlServerText, StatementShape& shape);

// Appends the value of `literal` to `out`: its text with each doubled apostrophe read as one.
void appendLiteralValue(std::u16string& out, const LiteralValue& literal);

// The one statement `text` holds, as a database of `dialect` reads it: the text up to its first
// `;` outside literals, quoted names and comments, or the whole text. What follows that `;` may
// be blanks, comments and more semicolons; anything else is a second statement, and raises
// kComponentFailure ("one statement at a time"), showing `shown`, the caller's text.
//
// The check reads the text with this layer's lexer (sql_tokens.h), so the text must not hold
// what the database reads otherwise, where a `;` or a literal could hide from the check. These
// raise kComponentFailure, showing `shown`, rather than be given a meaning:
//   - every dialect: a comment opened inside a block comment (SQL Server and PostgreSQL nest
//     block comments, SQLite does not), and a carriage return inside a line comment other than
//     just before its line break (PostgreSQL ends the comment there);
//   - PostgreSQL: a $ where a token can begin (a dollar quote $$...$$ or $tag$...$tag$, or a
//     parameter $1), an E'...' escape string (backslash escapes), and a [ ] (a subscript);
//   - SQLite: a backtick (quotes a name) and a variable run on into a parenthesis ($a(...),
//     read as one name up to the closing parenthesis).
// Refusing costs nothing: the component's statements hold none of these, and no caller needs
// them to say what it means.
std::u16string_view oneStatement(Dialect dialect, std::u16string_view text,
                                 std::u16string_view shown);

}  // namespace tarn::erp::db
