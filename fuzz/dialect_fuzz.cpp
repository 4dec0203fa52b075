// The SQLite adaptation of SQL Server dialect, as the SQLite backend runs it: a statement is
// shaped (its value literals taken out as parameters) and the shape adapted. Whatever the input,
// the string literals, the quoted and bracketed names and the words come out one for one and in
// order with their texts intact (a literal taken out as a parameter counts with its value; the
// `top` of a limit and SQLite's `limit` are the only words that may come and go), and the real
// database accepts or refuses a select without a crash.
#include <cstdlib>
#include <string>
#include <vector>

#include "erp/db/dialect.h"
#include "erp/db/open_database.h"
#include "fuzz/support/fuzz_text.h"
#include "fuzz/support/sql_server_tokens.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace {

using namespace tarn;
using fuzz::SqlKind;

// What must survive the adaptation: literals and names by their text, words by their text with
// ASCII case ignored.
struct Kept {
  SqlKind kind;
  std::u16string text;
  bool operator==(const Kept&) const = default;
};

bool isLimitWord(const std::u16string& lowered) { return lowered == u"top" || lowered == u"limit"; }

// The kept tokens of a tokenized text; `values` stand in, in order, for the parameter markers.
std::vector<Kept> kept(const fuzz::SqlTokens& sql, const std::vector<std::u16string>& values) {
  std::vector<Kept> out;
  std::size_t nextValue = 0;
  for (const auto& token : sql.tokens) {
    switch (token.kind) {
      case SqlKind::kLiteral:
        out.push_back({SqlKind::kLiteral, token.text});
        break;
      case SqlKind::kBracketed:
      case SqlKind::kQuoted:
        out.push_back({SqlKind::kQuoted, token.text});
        break;
      case SqlKind::kWord: {
        const std::u16string lowered = automation::asciiLower(token.text);
        if (!isLimitWord(lowered)) out.push_back({SqlKind::kWord, lowered});
        break;
      }
      case SqlKind::kSymbol:
        if (token.text == u"?" && nextValue < values.size()) {
          out.push_back({SqlKind::kLiteral, values[nextValue++]});
        }
        break;
      case SqlKind::kComment:
      case SqlKind::kNumber:
        break;
    }
  }
  return out;
}

erp::db::Database& database() {
  static const auto open = erp::db::openDatabase(u"Provider=SQLite;Data Source=:memory:", true);
  return *open;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = fuzz::fuzzText({reinterpret_cast<const char*>(data), size});
  const fuzz::SqlTokens original = fuzz::tokenizeSqlServer(text);

  erp::db::StatementShape shape;
  try {
    erp::db::shapeStatement(text, shape);
  } catch (const automation::AutomationError&) {
    return 0;  // a parameter marker in SQL Server text: refused before any adaptation
  }
  std::vector<std::u16string> values;
  for (const auto& literal : shape.values) {
    erp::db::appendLiteralValue(values.emplace_back(), literal);
  }
  const std::u16string adapted = erp::db::adaptToSqlite(shape.text);
  if (original.complete && kept(original, {}) != kept(fuzz::tokenizeSqlServer(adapted), values)) {
    std::abort();
  }
  // Only selects go to the database, and none with a recursive part: the target must not write
  // files (ATTACH, VACUUM INTO) or wait on a query that never ends.
  const std::u16string lowered = automation::asciiLower(text);
  const bool select = !original.tokens.empty() && original.tokens.front().kind == SqlKind::kWord &&
                      automation::asciiLower(original.tokens.front().text) == u"select";
  if (select && lowered.find(u"recursive") == std::u16string::npos) {
    try {
      database().query(text);
    } catch (const automation::AutomationError&) {
    }
  }
  return 0;
}
