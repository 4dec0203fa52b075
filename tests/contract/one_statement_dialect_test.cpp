// Where a text's one statement ends, per database, and which texts are refused because the
// database would read them otherwise than this layer's lexer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "erp/db/dialect.h"
#include "tarnvelloc/automation/error.h"
#include "tests/kit/printers.h"

namespace tarn::erp::db {
namespace {

using testing::utf16;
using testing::utf8;

// The statement sent, or the refusal's reason.
std::string outcome(Dialect dialect, const char* text) {
  const std::u16string sql = utf16(text);
  try {
    return utf8(oneStatement(dialect, sql, u"T"));
  } catch (const automation::AutomationError& error) {
    const std::string message = error.what();
    EXPECT_TRUE(message.ends_with(": T")) << message;
    return "refused: " + message.substr(0, message.size() - 3);
  }
}

struct Case {
  const char* text;
  std::string sent;
};

void expectEverywhere(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    for (const Dialect dialect : {Dialect::kSqlServer, Dialect::kSqlite, Dialect::kPostgreSql}) {
      SCOPED_TRACE(std::string(c.text) + " / dialect " + std::to_string(static_cast<int>(dialect)));
      EXPECT_EQ(outcome(dialect, c.text), c.sent);
    }
  }
}

void expectIn(Dialect dialect, const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(outcome(dialect, c.text), c.sent);
  }
}

const std::string kStacked = "refused: Component failure: one statement at a time";
const std::string kNested =
    "refused: Component failure: the statement holds a comment opened inside a comment, which "
    "SQL Server and PostgreSQL read as nested";
const std::string kCarriageReturn =
    "refused: Component failure: the statement holds a carriage return inside a line comment, "
    "where PostgreSQL ends the comment";
const std::string kDollar =
    "refused: Component failure: the statement holds a $ outside quotes, which PostgreSQL reads "
    "as a dollar quote or a parameter";
const std::string kEscape =
    "refused: Component failure: the statement holds an escape string E'...', whose backslashes "
    "PostgreSQL reads as escapes";
const std::string kSubscript =
    "refused: Component failure: the statement holds a [ ], which PostgreSQL reads as a subscript";
const std::string kBacktick =
    "refused: Component failure: the statement holds a backtick, which SQLite reads as quoting a "
    "name";
const std::string kVariable =
    "refused: Component failure: the statement holds a variable run on into a parenthesis, which "
    "SQLite reads as one name";

TEST(DialectOneStatementTest, TheStatementEndsAtItsFirstSemicolonAndOnlyBlanksAndCommentsFollow) {
  expectEverywhere({
      {"select 1", "select 1"},
      {"select 1 ; ", "select 1 "},
      {"select 1;; -- done\n/* end */;\r\n", "select 1"},
      {"select 'a;b', \"c;d\" -- e;f", "select 'a;b', \"c;d\" -- e;f"},
      {"select (1; select 2)", kStacked},
      {"select 1 -- a\n; delete from t", kStacked},
      {"select 1; /* a */ x", kStacked},
      {"select 1 /* a /* b */", kNested},
      {"select 1 /*/*/ ' */ */; select 2; -- '", kNested},
      {"select 1 /**/ /* * / */ -- x\r\n", "select 1 /**/ /* * / */ -- x\r\n"},
      {"select 1 -- x\r", "select 1 -- x\r"},
      {"select 1 -- x\r; select 2", kCarriageReturn},
  });
}

TEST(DialectOneStatementTest, PostgreSqlRefusesDollarQuotesEscapeStringsAndSubscripts) {
  expectIn(Dialect::kPostgreSql,
           {
               {"select $$'$$; select 2; --'", kDollar},
               {"select $1", kDollar},
               {"select a@$$'$$; select 2; --'", kDollar},
               {"select a$b, \"$$\", '$$' from t", "select a$b, \"$$\", '$$' from t"},
               {"select E'\\''; select 2; --'", kEscape},
               {"select 1E'x'", kEscape},
               {"select a@E'x'", kEscape},
               {"select E 'x', nameE'x', N'x'", "select E 'x', nameE'x', N'x'"},
               {"select a[1] from t", kSubscript},
               {"select 1 as [a", kSubscript},
               {"select `x`, @a(1)", "select `x`, @a(1)"},
           });
}

TEST(DialectOneStatementTest, SqliteRefusesBackticksAndVariablesRunOnIntoParentheses) {
  expectIn(Dialect::kSqlite,
           {
               {"select 1 as `'`; select 2; --'", kBacktick},
               {"select @a(') ; select 2; --'", kVariable},
               {"select :a(x)", kVariable},
               {"select x#a(x)", kVariable},
               {"select count(*), a$b(1), @a (1)", "select count(*), a$b(1), @a (1)"},
               {"select $$, E'\\', [a]]]", "select $$, E'\\', [a]]]"},
           });
}

}  // namespace
}  // namespace tarn::erp::db
