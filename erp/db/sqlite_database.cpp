#include "erp/db/sqlite_database.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "erp/db/bounded_cache.h"
#include "erp/db/catalogue_views.h"
#include "erp/db/connection_loss.h"
#include "erp/db/dialect.h"
#include "erp/db/erp_collation.h"
#include "erp/db/row_window.h"
#include "erp/db/shape_memo.h"
#include "erp/db/sqlite_handles.h"
#include "erp/db/well_formed_text.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::raise;
using automation::toUtf8;
using automation::Variant;

// Long enough for another process's short write transaction to finish.
constexpr int kBusyTimeoutMilliseconds = 5000;
// Compiled statements kept per connection and dialect: far more than the shapes the component
// and the outside components send, so that a working set never falls out.
constexpr std::size_t kCachedStatements = 64;

// The one place a SQLite result code becomes an error: anything but OK, ROW and DONE raises
// kComponentFailure with SQLite's own message, after `context` when one is given. Only opening
// gives a context; a failure without one was met on an open connection, where a file that can no
// longer be read or is no database any more raises ConnectionLostError.
void check(sqlite3* db, int resultCode, const std::string& context = {}) {
  if (resultCode == SQLITE_OK || resultCode == SQLITE_ROW || resultCode == SQLITE_DONE) return;
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
  if (!context.empty()) raise(ErrorCode::kComponentFailure, context + ": " + message);
  raiseDatabaseFailure(connectionLostCode(resultCode), message);
}

int byteLength(std::string_view text) {
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    raise(ErrorCode::kComponentFailure, "text too long for the database");
  }
  return static_cast<int>(text.size());
}

// The UTF-8 form of text that must reach the database exactly.
void appendExactUtf8(std::string& out, std::u16string_view text, const std::string& what) {
  requireWellFormed(text, what);
  automation::appendUtf8(out, text);
}

std::string_view columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (!text) return {};
  return {text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

Variant readColumn(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return Variant::null();
    case SQLITE_INTEGER: {
      const sqlite3_int64 value = sqlite3_column_int64(statement, column);
      if (value >= INT32_MIN && value <= INT32_MAX)
        return Variant(static_cast<std::int32_t>(value));
      return Variant(static_cast<double>(value));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
      std::u16string text;
      automation::appendUtf16(text, columnText(statement, column));
      return Variant(std::move(text));
    }
    default:
      raise(ErrorCode::kComponentFailure,
            std::string("column ") + sqlite3_column_name(statement, column) +
                " holds binary data, which a record set cannot carry");
  }
}

int compareErpCiCallback(void*, int bytesA, const void* a, int bytesB, const void* b) {
  return compareErpCi(
      std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(bytesA)),
      std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bytesB)));
}

// Runs every statement of `script` (UTF-8), ignoring any rows.
void executeAll(sqlite3* db, const std::string& script, const std::string& context = {}) {
  const char* rest = script.c_str();
  while (*rest) {
    sqlite3_stmt* raw = nullptr;
    const int resultCode = sqlite3_prepare_v2(db, rest, -1, &raw, &rest);
    StatementHandle statement(raw);
    check(db, resultCode, context);
    if (!statement) continue;  // blanks and comments
    int stepCode = SQLITE_ROW;
    while (stepCode == SQLITE_ROW) {
      stepCode = sqlite3_step(statement.get());
      check(db, stepCode, context);
    }
  }
}

// A compiled statement kept for reuse, with its column names as the record sets show them
// (read again when SQLite recompiles the statement after a schema change).
struct CompiledStatement {
  // A statement in SQL Server dialect keeps its values bound between runs, each in a buffer of
  // its own that SQLite reads in place (declared first: freed after the statement is finalized),
  // and knows the kept text they came from (0: none).
  std::vector<std::string> bound;
  std::uint64_t boundFor = 0;
  StatementHandle handle;  // null for a text that holds no statement
  bool namesRead = false;
  std::vector<std::string> namesAsRead;
  std::vector<std::u16string> names;

  // Called after the first step. SQLite counts a recompilation until run() reads and resets the
  // count: while it stays at zero, the names read before still stand.
  const std::vector<std::u16string>& columnNames(sqlite3_stmt* statement) {
    if (namesRead && sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0) == 0) {
      return names;
    }
    namesRead = true;
    const auto count = static_cast<std::size_t>(sqlite3_column_count(statement));
    bool same = count == namesAsRead.size();
    for (std::size_t i = 0; same && i < count; ++i) {
      same = namesAsRead[i] == sqlite3_column_name(statement, static_cast<int>(i));
    }
    if (!same) {
      namesAsRead.clear();
      names.clear();
      for (std::size_t i = 0; i < count; ++i) {
        namesAsRead.emplace_back(sqlite3_column_name(statement, static_cast<int>(i)));
        names.push_back(automation::fromUtf8(namesAsRead.back()));
      }
    }
    return names;
  }
};

using SharedStatement = std::shared_ptr<CompiledStatement>;

// What a kept statement text carries: the statement of its shape, and a number that no other
// text kept by the connection has had, so that a statement can tell whose values it holds.
struct KeptStatement {
  SharedStatement statement;
  std::uint64_t text = 0;
};

// Rewinds a statement when it goes out of scope, releasing its lock; its values stay bound.
class StatementRewind {
 public:
  explicit StatementRewind(sqlite3_stmt* statement) : statement_(statement) {}
  StatementRewind(const StatementRewind&) = delete;
  StatementRewind& operator=(const StatementRewind&) = delete;
  ~StatementRewind() { sqlite3_reset(statement_); }

 private:
  sqlite3_stmt* statement_;
};

class SqliteDatabase final : public Database {
 public:
  SqliteDatabase(ConnectionHandle db, std::unique_ptr<Catalogue> catalogue)
      : db_(std::move(db)), catalogue_(std::move(catalogue)) {}

  ResultSet runQuery(std::u16string_view sqlServerText) override {
    const auto [compiled, keptText] = sqlServerStatement(sqlServerText);
    if (!compiled.handle) return {};
    const StatementRewind rewind(compiled.handle.get());
    bindValues(compiled, keptText, sqlServerText);
    return run(compiled);
  }

  // SQLite computes a row only when stepped onto, so stepping over the rows before the window
  // without reading them, and stopping after it, is what a limit and an offset in the statement
  // would do, without changing the statement.
  WindowedResult runWindow(std::u16string_view sqlServerText, RowWindow window) override {
    const auto [compiled, keptText] = sqlServerStatement(sqlServerText);
    if (!compiled.handle) return {};
    sqlite3_stmt* statement = compiled.handle.get();
    const StatementRewind rewind(statement);
    bindValues(compiled, keptText, sqlServerText);
    sqlite3* db = db_.get();
    int resultCode = sqlite3_step(statement);
    check(db, resultCode);
    WindowedResult result;
    result.rows.columns = compiled.columnNames(statement);
    const int columnCount = static_cast<int>(result.rows.columns.size());
    bool stepped = true;  // the first step is taken: the columns are known after it
    const auto step = [&] {
      if (!stepped) {
        resultCode = sqlite3_step(statement);
        check(db, resultCode);
      }
      stepped = false;
      return resultCode == SQLITE_ROW;
    };
    const auto read = [&](std::vector<Variant>& row) {
      row.reserve(static_cast<std::size_t>(columnCount));
      for (int column = 0; column < columnCount; ++column) {
        row.push_back(readColumn(statement, column));
      }
    };
    stepThroughWindow(window, result, step, read);
    compiled_ +=
        static_cast<std::uint64_t>(sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 1));
    rowsChanged_ = -1;
    return result;
  }

  ResultSet runNative(std::u16string_view nativeText,
                      std::span<const Variant> parameters) override {
    CompiledStatement& compiled = nativeStatement(nativeText);
    if (!compiled.handle) return {};
    sqlite3_stmt* statement = compiled.handle.get();
    const StatementReset reset(statement);
    const int expected = sqlite3_bind_parameter_count(statement);
    if (expected != static_cast<int>(parameters.size())) {
      raise(ErrorCode::kComponentFailure, "the statement takes " + std::to_string(expected) +
                                              " parameters, " + std::to_string(parameters.size()) +
                                              " given: " + toUtf8(nativeText));
    }
    prepareBuffers(parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      bindParameter(statement, static_cast<int>(i) + 1, parameters[i], bound_[i]);
    }
    return run(compiled);
  }

  Dialect dialect() const override { return Dialect::kSqlite; }

  void executeScript(std::u16string_view nativeScript) override {
    std::string script;
    appendExactUtf8(script, nativeScript, "the script");
    executeAll(db_.get(), script);
    rowsChanged_ = -1;
  }

  // Immediate: the write lock is taken at once, so a writer elsewhere makes this wait out the
  // busy timeout rather than fail half-way through the transaction.
  void begin() override { queryNative(u"begin immediate", {}); }
  // Deferred: no lock until the first statement reads, and a reader never waits for a writer
  // that has not begun to commit.
  bool beginReading() override {
    if (!sqlite3_get_autocommit(db_.get())) return false;
    queryNative(u"begin deferred", {});
    return true;
  }
  void commit() override { queryNative(u"commit", {}); }
  void rollback() override { queryNative(u"rollback", {}); }

  std::int64_t rowsChanged() const override { return rowsChanged_; }

  // Two numbers together tell every change: the pager's data version counts this connection's
  // commits, and the file's change counter counts every commit to the file, whichever
  // connection made it. The counter is read straight from the file's header without a
  // transaction: a commit under way may be missed, which is as if this look came just before
  // it, and the next look sees it. In WAL mode commits leave the header alone until a
  // checkpoint; there PRAGMA data_version, which opens a read transaction, counts the other
  // connections' commits instead.
  std::uint64_t dataVersion() override {
    std::optional<std::uint32_t> othersVersion = fileChangeCounter();
    if (!othersVersion) {
      if (!dataVersionQuery_.handle) {
        dataVersionQuery_ = compileOne("pragma data_version", u"pragma data_version");
      }
      sqlite3_stmt* query = dataVersionQuery_.handle.get();
      const StatementReset reset(query);
      check(db_.get(), sqlite3_step(query));
      othersVersion = static_cast<std::uint32_t>(sqlite3_column_int64(query, 0));
    }
    unsigned int ownVersion = 0;
    check(db_.get(),
          sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_DATA_VERSION, &ownVersion));
    const auto seen = std::make_pair(ownVersion, *othersVersion);
    if (seen != lastSeenVersions_) {
      lastSeenVersions_ = seen;
      ++dataVersion_;
    }
    return dataVersion_;
  }

  std::uint64_t statementsCompiled() const override { return compiled_; }

 private:
  struct Found {
    CompiledStatement& statement;
    std::uint64_t keptText;  // KeptStatement::text, 0 for a text not kept
  };

  // The compiled statement of `original`'s shape; shape_.values holds its values for
  // bindValues. A text run before finds its statement attached to it in the memo.
  Found sqlServerStatement(std::u16string_view original) {
    if (const auto* kept = shapes_.find(original); kept && kept->attached.statement) {
      viewKeptValues(original, kept->values, shape_.values);
      return {*kept->attached.statement, kept->attached.text};
    }
    auto* kept = shapes_.shape(original, shape_);
    SharedStatement* found = sqlServerStatements_.find(shape_.text);
    if (!found) {
      std::string text;
      // The shape holds every part of the statement but its values, which are checked as bound.
      if (automation::findUnpairedSurrogate(shape_.text) != std::u16string_view::npos) {
        requireWellFormed(original, "the statement");
      }
      automation::appendUtf8(text, adaptToSqlite(shape_.text));
      found = &sqlServerStatements_.insert(
          shape_.text, std::make_shared<CompiledStatement>(compileOne(text, original)));
    }
    if (!kept) return {**found, 0};
    kept->attached = {*found, ++keptTexts_};
    return {**found, kept->attached.text};
  }

  // Binds the values of the shape sqlServerStatement made for `sqlServerText`, unless the
  // statement holds them already: it was last bound for the same kept text.
  void bindValues(CompiledStatement& compiled, std::uint64_t keptText,
                  std::u16string_view sqlServerText) {
    if (keptText != 0 && compiled.boundFor == keptText) return;
    sqlite3_stmt* statement = compiled.handle.get();
    if (sqlite3_bind_parameter_count(statement) != static_cast<int>(shape_.values.size())) {
      raise(ErrorCode::kComponentFailure,
            "the statement names a variable that nothing sets: " + toUtf8(sqlServerText));
    }
    compiled.boundFor = 0;
    std::vector<std::string>& bound = compiled.bound;
    if (bound.size() < shape_.values.size()) bound.resize(shape_.values.size());
    for (std::size_t i = 0; i < shape_.values.size(); ++i) {
      bound[i].clear();
      const LiteralValue& value = shape_.values[i];
      // Undoubling apostrophes neither makes nor breaks a surrogate pair: the quoted text is
      // well-formed exactly when the value is.
      if (automation::findUnpairedSurrogate(value.quoted) != std::u16string_view::npos) {
        requireWellFormed(sqlServerText, "the statement");
      }
      if (value.quoted.find(u'\'') == std::u16string_view::npos) {
        automation::appendUtf8(bound[i], value.quoted);
      } else {
        value_.clear();
        appendLiteralValue(value_, value);
        automation::appendUtf8(bound[i], value_);
      }
      bindText(statement, static_cast<int>(i) + 1, bound[i]);
    }
    compiled.boundFor = keptText;
  }

  CompiledStatement& nativeStatement(std::u16string_view text) {
    if (auto* found = nativeStatements_.find(text)) return *found;
    std::string utf8;
    appendExactUtf8(utf8, text, "the statement");
    return nativeStatements_.insert(std::u16string(text), compileOne(utf8, text));
  }

  // Compiles the one statement `text` holds; what follows it may only be blanks, comments and
  // semicolons. `shown` is the caller's text, for the message.
  CompiledStatement compileOne(std::string_view text, std::u16string_view shown) {
    const char* end = text.data() + text.size();
    const char* tail = nullptr;
    sqlite3_stmt* first = nullptr;
    const int resultCode = sqlite3_prepare_v3(db_.get(), text.data(), byteLength(text),
                                              SQLITE_PREPARE_PERSISTENT, &first, &tail);
    CompiledStatement compiled{{}, 0, StatementHandle(first), false, {}, {}};
    check(db_.get(), resultCode);
    if (compiled.handle) ++compiled_;
    while (tail && tail < end) {
      sqlite3_stmt* raw = nullptr;
      const char* next = nullptr;
      const int moreCode =
          sqlite3_prepare_v2(db_.get(), tail, static_cast<int>(end - tail), &raw, &next);
      StatementHandle more(raw);
      if (moreCode != SQLITE_OK || more || next == tail) {
        raise(ErrorCode::kComponentFailure, "one statement at a time: " + toUtf8(shown));
      }
      tail = next;
    }
    return compiled;
  }

  // The change counter of the main database file's header; nothing in WAL mode, or when the
  // header cannot be read (an empty file).
  std::optional<std::uint32_t> fileChangeCounter() {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods) {
      return std::nullopt;
    }
    unsigned char header[28];
    if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK) return std::nullopt;
    constexpr int kWriteVersion = 18;  // 1: rollback journal, 2: WAL
    constexpr int kChangeCounter = 24;
    if (header[kWriteVersion] != 1) return std::nullopt;
    return (std::uint32_t{header[kChangeCounter]} << 24) |
           (std::uint32_t{header[kChangeCounter + 1]} << 16) |
           (std::uint32_t{header[kChangeCounter + 2]} << 8) | header[kChangeCounter + 3];
  }

  void prepareBuffers(std::size_t count) {
    if (bound_.size() < count) bound_.resize(count);
    for (std::size_t i = 0; i < count; ++i) bound_[i].clear();
  }

  // The text stays in `buffer` until the statement is reset, so SQLite need not copy it.
  void bindText(sqlite3_stmt* statement, int index, const std::string& buffer) {
    check(db_.get(),
          sqlite3_bind_text(statement, index, buffer.data(), byteLength(buffer), SQLITE_STATIC));
  }

  void bindParameter(sqlite3_stmt* statement, int index, const Variant& value,
                     std::string& buffer) {
    int resultCode = SQLITE_OK;
    switch (value.type()) {
      case Variant::Type::Empty:
      case Variant::Type::Null:
        resultCode = sqlite3_bind_null(statement, index);
        break;
      case Variant::Type::Boolean:
        resultCode = sqlite3_bind_int(statement, index, value.toBoolean() ? 1 : 0);
        break;
      case Variant::Type::Integer:
      case Variant::Type::Long:
        resultCode = sqlite3_bind_int(statement, index, value.toLong());
        break;
      case Variant::Type::Double:
        resultCode = sqlite3_bind_double(statement, index, value.toDouble());
        break;
      case Variant::Type::String: {
        const std::u16string& text = *value.stringIf();
        if (automation::findUnpairedSurrogate(text) != std::u16string_view::npos) {
          requireWellFormed(text, "parameter " + std::to_string(index));
        }
        automation::appendUtf8(buffer, text);
        bindText(statement, index, buffer);
        return;
      }
      case Variant::Type::Object:
        raise(ErrorCode::kTypeMismatch, "an object cannot be a statement parameter");
    }
    check(db_.get(), resultCode);
  }

  // Steps the bound statement to its end; the caller's StatementReset or StatementRewind makes
  // it reusable.
  ResultSet run(CompiledStatement& compiled) {
    sqlite3_stmt* statement = compiled.handle.get();
    sqlite3* db = db_.get();
    const sqlite3_int64 totalBefore = sqlite3_total_changes64(db);
    int resultCode = sqlite3_step(statement);
    check(db, resultCode);
    ResultSet result;
    // Read after the first step: a statement recompiled there may name other columns.
    result.columns = compiled.columnNames(statement);
    const int columnCount = static_cast<int>(result.columns.size());
    while (resultCode == SQLITE_ROW) {
      auto& row = result.rows.emplace_back();
      row.reserve(static_cast<std::size_t>(columnCount));
      for (int column = 0; column < columnCount; ++column) {
        row.push_back(readColumn(statement, column));
      }
      resultCode = sqlite3_step(statement);
      check(db, resultCode);
    }
    // SQLite recompiles a kept statement after a schema change: that counts as compiling.
    compiled_ +=
        static_cast<std::uint64_t>(sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 1));
    const bool changesRows = columnCount == 0 && !sqlite3_stmt_readonly(statement);
    const bool changedAny = sqlite3_total_changes64(db) != totalBefore;
    rowsChanged_ = !changesRows ? -1 : changedAny ? sqlite3_changes64(db) : 0;
    return result;
  }

  // Members go in reverse order: the compiled statements and the catalogue's are finalized
  // before the connection closes.
  ConnectionHandle db_;
  std::unique_ptr<Catalogue> catalogue_;
  BoundedCache<SharedStatement> sqlServerStatements_{kCachedStatements};
  BoundedCache<CompiledStatement> nativeStatements_{kCachedStatements};
  CompiledStatement dataVersionQuery_;
  std::pair<unsigned int, std::uint32_t> lastSeenVersions_{0, 0};
  std::uint64_t dataVersion_ = 1;
  // Buffers reused from statement to statement.
  StatementShape shape_;
  // The texts run lately, each with the statement of its shape: a statement dropped from
  // sqlServerStatements_ stays compiled while a kept text holds it.
  ShapeMemoWith<KeptStatement> shapes_{kCachedStatements};
  std::uint64_t keptTexts_ = 0;
  std::u16string value_;
  std::vector<std::string> bound_;
  std::int64_t rowsChanged_ = -1;
  std::uint64_t compiled_ = 0;
};

}  // namespace

// Every page cache, a temporary table's too, takes its pages as it needs them instead of 20 at
// once. A pick-list ordered in parts opens several
// temporary tables of a page or two; 85 KiB each, freed at once, made the C library hand the
// memory back to the system after every pick-list and fault it in again on the next (a first
// page of a thousand values: 300-400 us, 140-200 without). Nothing here reads SQLite's memory
// counters, so they are not kept. Where the process started SQLite already, the settings are
// refused and SQLite works as before.
void configureSqliteMemory() {
  static const bool configured = [] {
    const bool pages = sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0) == SQLITE_OK;
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK && pages;
  }();
  (void)configured;
}

std::unique_ptr<Database> openSqliteDatabase(const std::filesystem::path& file,
                                             bool createIfMissing) {
  configureSqliteMemory();
  const std::u8string name = file.u8string();
  const std::string context = "cannot open database '" + file.string() + "'";
  // A connection is only ever used by the thread that holds it (the automation objects over it
  // are single-threaded; serve keeps one per thread), so SQLite need not lock it on every call.
  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
  sqlite3* raw = nullptr;
  const int resultCode =
      sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &raw, flags, nullptr);
  ConnectionHandle db(raw);
  check(db.get(), resultCode, context);
  check(db.get(), sqlite3_busy_timeout(db.get(), kBusyTimeoutMilliseconds), context);
  check(db.get(),
        sqlite3_create_collation_v2(db.get(), kErpCollationName, SQLITE_UTF8, nullptr,
                                    compareErpCiCallback, nullptr),
        context);
  // The plan of a kept statement must not depend on the values bound: SQLite would otherwise
  // compile it again whenever a value it planned with (a LIKE pattern) is bound anew.
  check(db.get(), sqlite3_db_config(db.get(), SQLITE_DBCONFIG_ENABLE_QPSG, 1, nullptr), context);
  // Reading the schema version reads the file's header: a file that is no database fails here.
  executeAll(db.get(), "pragma foreign_keys = on; pragma main.schema_version;", context);
  auto catalogue = attachCatalogue(db.get());
  return std::make_unique<SqliteDatabase>(std::move(db), std::move(catalogue));
}

}  // namespace tarn::erp::db
