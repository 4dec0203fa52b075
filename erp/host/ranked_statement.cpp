// runRankedStatement (tarnvelloc/erp/statement.h): the component's statement inside the ranked
// wrapper of erp/db/ranked_statement.h, run with its values and the wrapper's as parameters.
#include "erp/db/ranked_statement.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "erp/db/database.h"
#include "erp/db/open_database.h"
#include "erp/db/shape_memo.h"
#include "erp/db/transaction.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::erp {
namespace {

using automation::Variant;

// Windows past this many rows are as good as unbounded: numbers travel as 32-bit parameters.
constexpr std::size_t kLargestParameter = INT32_MAX;
// The most rows SQLite's index walk steps over for an offset: each part of the walk keeps the
// offset's rows too, so past this the plain wrapper's one sort of every row costs less.
constexpr std::size_t kWalkedOffset = 1000;
// Statement shapes whose columns are remembered; far more than the component's pick-lists.
constexpr std::size_t kRememberedShapes = 256;
// Statement texts whose shapes each thread remembers.
constexpr std::size_t kRememberedTexts = 64;

Variant whole(std::size_t number) {
  return Variant(static_cast<std::int32_t>(std::min(number, kLargestParameter)));
}

// What the wrapper knows of each statement shape it has run, by dialect and shape text: the
// texts it sends for it (the statement in the backend's own form, the count of its rows, each
// kind of wrapper), which follow from the shape text alone and cost a reading of it to make, and
// the statement's columns, which the wrapper must name and which follow from the text and the
// schema. Learning them costs a statement that gives no row; a schema change that gives a shape
// other columns shows as a failure of the wrapper, after which they are learnt again, and the
// wrappers built for the old columns are forgotten.
class KnownShapes {
 public:
  // The text of `kind` kept for `key`, made by `make` the first time. Made outside the lock: two
  // threads may both make it, and make the same text.
  template <typename Make>
  std::u16string text(const std::u16string& key, int kind, Make make) {
    {
      const std::lock_guard lock(mutex_);
      if (const auto known = shapes_.find(key); known != shapes_.end()) {
        if (const auto text = known->second.texts.find(kind); text != known->second.texts.end()) {
          return text->second;
        }
      }
    }
    std::u16string made = make();
    const std::lock_guard lock(mutex_);
    room();
    shapes_[key].texts.emplace(kind, made);
    return made;
  }

  std::optional<std::vector<std::u16string>> columns(const std::u16string& key) {
    const std::lock_guard lock(mutex_);
    const auto known = shapes_.find(key);
    if (known == shapes_.end()) return std::nullopt;
    return known->second.columns;
  }

  void keepColumns(const std::u16string& key, std::vector<std::u16string> columns) {
    const std::lock_guard lock(mutex_);
    room();
    Known& known = shapes_[key];
    if (known.columns && known.columns->size() != columns.size()) {
      std::erase_if(known.texts, [](const auto& text) { return text.first >= 0; });
    }
    known.columns = std::move(columns);
  }

 private:
  struct Known {
    std::optional<std::vector<std::u16string>> columns;
    std::unordered_map<int, std::u16string> texts;  // by kind: wrappers >= 0, the others < 0
  };
  void room() {
    if (shapes_.size() >= kRememberedShapes) shapes_.clear();
  }
  std::mutex mutex_;
  std::unordered_map<std::u16string, Known, db::StatementTextHash, db::StatementTextEqual> shapes_;
};

KnownShapes& knownShapes() {
  static KnownShapes shapes;
  return shapes;
}

// The kind of text kept for a shape besides its wrappers: the statement in the backend's form.
constexpr int kInnerText = -1;

// A wrapper's kind: what, besides the shape's columns, decides its text.
int kindOf(const db::RankedShape& wrapper) {
  return (wrapper.ranked ? 1 : 0) | (wrapper.after ? 2 : 0) | (wrapper.byIndex ? 4 : 0) |
         (wrapper.capped ? 8 : 0) | (wrapper.afterRank << 4);
}

// The shape of one of the component's statements. A text asked again (the next page of a
// pick-list, the same list asked again) is not read token by token again.
void shapeOf(std::u16string_view sql, db::StatementShape& shape) {
  thread_local db::ShapeMemo texts(kRememberedTexts);
  texts.shape(sql, shape);
}

// The component's values of `shape`, in order: the parameters of its statement.
std::vector<Variant> shapeValues(const db::StatementShape& shape) {
  std::vector<Variant> values;
  for (const auto& literal : shape.values) {
    std::u16string value;
    db::appendLiteralValue(value, literal);
    values.emplace_back(std::move(value));
  }
  return values;
}

// The statement's columns, read without running it where the backend can (`inner`: the
// statement in the backend's own form).
std::vector<std::u16string> learnColumns(db::Database& database, std::u16string_view sql,
                                         const db::StatementShape& shape, std::u16string_view inner,
                                         const std::u16string& key) {
  const auto probe = db::columnsStatement(database.dialect(), inner);
  auto columns = probe ? database.queryNative(*probe, shapeValues(shape)).columns
                       : database.queryWindow(sql, RowWindow{0, 0, false}).rows.columns;
  knownShapes().keepColumns(key, columns);
  return columns;
}

std::u16string trimmedMatch(std::u16string_view match) {
  while (!match.empty() && match.back() == u' ') match.remove_suffix(1);
  return std::u16string(match);
}

std::size_t codePoints(std::u16string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char16_t c) {
    return c < 0xDC00 || c > 0xDFFF;  // a low surrogate continues the character before it
  }));
}

// One row more than the window holds: it tells whether there are more.
Variant windowLimit(const RowWindow& window) {
  return whole(window.limit < kLargestParameter ? window.limit + 1 : kLargestParameter);
}

// The parameters of SQLite's index walk: each value once, by number.
std::vector<Variant> walkParameters(const db::StatementShape& shape, const std::u16string& match,
                                    const std::pair<std::u16string, std::u16string>& bounds,
                                    const RankedWindow& ranked) {
  std::vector<Variant> values = shapeValues(shape);
  if (!match.empty()) {
    values.emplace_back(match);
    values.emplace_back(db::startsWithPattern(match));
    values.emplace_back(bounds.first);
    values.emplace_back(bounds.second);
  }
  if (ranked.after) {
    values.emplace_back(static_cast<std::int32_t>(ranked.after->rank));
    for (const auto& text : ranked.after->texts) values.emplace_back(text);
  }
  values.push_back(windowLimit(ranked.window));
  values.push_back(whole(ranked.window.offset));
  return values;
}

// The parameters of the plain wrapper, and with `capped` its cap: one row more than the window.
std::vector<Variant> parameters(db::Dialect dialect, const db::StatementShape& shape,
                                const std::u16string& match, const RankedWindow& ranked,
                                bool capped = false) {
  std::vector<Variant> values = shapeValues(shape);
  if (capped) values.push_back(windowLimit(ranked.window));
  if (!match.empty()) {
    values.emplace_back(match);
    if (dialect == db::Dialect::kPostgreSql) {
      values.push_back(whole(codePoints(match)));
      values.emplace_back(match);
    } else {
      values.emplace_back(db::startsWithPattern(match));
    }
  }
  if (ranked.after) {
    // The key's terms: r, t1 under the rule, then t1 .. tN exactly; each but the last is asked
    // twice (greater, or equal and on to the next term).
    const auto& key = *ranked.after;
    std::vector<Variant> terms{Variant(static_cast<std::int32_t>(key.rank)), Variant(key.texts[0])};
    for (const auto& text : key.texts) terms.emplace_back(text);
    for (std::size_t i = 0; i < terms.size(); ++i) {
      values.push_back(terms[i]);
      if (i + 1 < terms.size()) values.push_back(terms[i]);
    }
  }
  const Variant limit = windowLimit(ranked.window);
  const Variant offset = whole(ranked.window.offset);
  if (dialect == db::Dialect::kSqlServer) {
    values.push_back(offset);
    values.push_back(limit);
  } else {
    values.push_back(limit);
    values.push_back(offset);
  }
  return values;
}

RankedResult runRanked(db::Database& database, std::u16string_view sql,
                       const RankedWindow& ranked) {
  // A window takes up to three statements (its count or columns, how many rows, the rows).
  const db::ReadTransaction oneRead(database);
  const db::Dialect dialect = database.dialect();
  db::StatementShape shape;
  shapeOf(sql, shape);
  const std::u16string key =
      std::u16string(1, static_cast<char16_t>(u'0' + static_cast<int>(dialect))) + shape.text;
  const std::u16string inner = knownShapes().text(key, kInnerText, [&] {
    const std::u16string adapted = db::adaptTo(dialect, db::withoutClosingOrder(shape.text));
    return std::u16string(db::oneStatement(dialect, adapted, sql));
  });
  RankedResult result;
  std::optional<std::vector<std::u16string>> columns;
  if (ranked.window.countRows) {
    auto counted = database.queryWindow(sql, RowWindow{0, 0, true});
    result.rows.totalRows = counted.totalRows;
    columns = std::move(counted.rows.columns);
    knownShapes().keepColumns(key, *columns);
  }
  bool learnt = columns.has_value();
  if (!columns) columns = knownShapes().columns(key);
  if (!columns) {
    columns = learnColumns(database, sql, shape, inner, key);
    learnt = true;
  }
  const std::size_t width = columns->size();
  if (width == 0) return result;  // a statement without rows
  if (ranked.after && ranked.after->texts.size() != width) {
    automation::raise(automation::ErrorCode::kComponentFailure,
                      "the cursor's key has " + std::to_string(ranked.after->texts.size()) +
                          " columns, the statement " + std::to_string(width));
  }
  const std::u16string match = trimmedMatch(ranked.match);
  db::RankedShape ranking{width, !match.empty(), ranked.after.has_value()};
  // SQLite walks the first column's index where the match allows it (a cursor from elsewhere
  // may carry any rank: one outside 0..2 takes the plain wrapper, which treats it as given).
  const auto bounds = match.empty()
                          ? std::make_optional(std::pair<std::u16string, std::u16string>())
                          : db::prefixBounds(match);
  const bool walkable = dialect == db::Dialect::kSqlite && bounds &&
                        ranked.window.offset <= kWalkedOffset &&
                        (!ranked.after || (ranked.after->rank >= 0 && ranked.after->rank <= 2));
  ResultSet rows;
  try {
    const auto query = [&](const db::RankedShape& wrapper, std::vector<Variant> values) {
      return database.queryNative(
          knownShapes().text(key, kindOf(wrapper),
                             [&] { return db::rankedStatement(dialect, inner, wrapper); }),
          std::move(values));
    };
    // Most pick-lists have fewer rows than a window: a first window is asked of the statement's
    // first rows, one more than the window holds, ordered in one sort. Fewer coming back means
    // they were all its rows; a full window means there may be more, and the walk decides.
    bool answered = false;
    if (walkable && ranked.window.offset == 0 && !ranked.after) {
      db::RankedShape capped = ranking;
      capped.capped = true;
      rows = query(capped, parameters(dialect, shape, match, ranked, true));
      answered = rows.rows.size() <= ranked.window.limit;
    }
    if (!answered && walkable) {
      ranking.byIndex = true;
      ranking.values = shape.values.size();
      ranking.afterRank = ranked.after ? static_cast<int>(ranked.after->rank) : 0;
      rows = query(ranking, walkParameters(shape, match, *bounds, ranked));
    } else if (!answered) {
      rows = query(ranking, parameters(dialect, shape, match, ranked));
    }
  } catch (const automation::AutomationError&) {
    // Columns remembered from before a change of the schema: learnt again, then tried again.
    if (learnt || learnColumns(database, sql, shape, inner, key).size() == width) throw;
    return runRanked(database, sql, ranked);
  }
  result.rows.rows.columns = std::move(*columns);
  const std::size_t limit = ranked.window.limit;
  result.rows.more = rows.rows.size() > limit;
  if (result.rows.more) rows.rows.resize(limit);
  if (!rows.rows.empty()) {
    const auto& last = rows.rows.back();
    OrderKey lastKey{last.at(width).toLong(), {}};
    for (std::size_t i = width + 1; i < last.size(); ++i) {
      lastKey.texts.push_back(last[i].toString());
    }
    result.lastKey = std::move(lastKey);
  }
  for (auto& row : rows.rows) row.resize(width);
  result.rows.rows.rows = std::move(rows.rows);
  return result;
}

}  // namespace

RankedResult runRankedStatement(HeldConnection& connection, std::u16string_view sqlServerText,
                                const RankedWindow& ranked) {
  return runRanked(connection.database(), sqlServerText, ranked);
}

RankedResult runRankedStatement(std::u16string_view connectionString,
                                std::u16string_view sqlServerText, const RankedWindow& ranked) {
  return runRanked(*db::openDatabase(connectionString), sqlServerText, ranked);
}

}  // namespace tarn::erp
