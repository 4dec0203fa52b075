#include "erp/db/sqlite_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <string>

#include "erp/db/catalogue_views.h"
#include "erp/db/dialect.h"
#include "erp/db/erp_collation.h"
#include "erp/db/sql_tokens.h"
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

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using ConnectionHandle = std::unique_ptr<sqlite3, ConnectionCloser>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// The one place a SQLite result code becomes an error: anything but OK, ROW and DONE raises
// kComponentFailure with SQLite's own message, after `context` when one is given.
void check(sqlite3* db, int resultCode, const std::string& context = {}) {
  if (resultCode == SQLITE_OK || resultCode == SQLITE_ROW || resultCode == SQLITE_DONE) return;
  std::string message = db ? toUtf8(static_cast<const char16_t*>(sqlite3_errmsg16(db)))
                           : std::string(sqlite3_errstr(resultCode));
  raise(ErrorCode::kComponentFailure, context.empty() ? message : context + ": " + message);
}

int byteLength(std::u16string_view text) {
  if (text.size() > INT_MAX / sizeof(char16_t)) {
    raise(ErrorCode::kComponentFailure, "text too long for the database");
  }
  return static_cast<int>(text.size() * sizeof(char16_t));
}

std::u16string_view textOf(const void* data, int bytes) {
  if (!data) return {};
  return {static_cast<const char16_t*>(data), static_cast<std::size_t>(bytes) / 2};
}

std::u16string_view nulTerminated(const void* data) {
  if (!data) return {};
  return std::u16string_view(static_cast<const char16_t*>(data));
}

int compareErpCiCallback(void*, int bytesA, const void* a, int bytesB, const void* b) {
  return compareErpCi(
      std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(bytesA)),
      std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bytesB)));
}

bool holdsOnlyBlanksAndComments(std::u16string_view text) {
  const auto tokens = tokenizeSql(text);
  return std::all_of(tokens.begin(), tokens.end(), [](const SqlToken& token) {
    return isInsignificant(token) ||
           (token.kind == SqlTokenKind::kSymbol && token.text.front() == u';');
  });
}

void bindParameter(sqlite3* db, sqlite3_stmt* statement, int index, const Variant& value) {
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
      const std::u16string text = value.toString();
      resultCode =
          sqlite3_bind_text16(statement, index, text.data(), byteLength(text), SQLITE_TRANSIENT);
      break;
    }
    case Variant::Type::Object:
      raise(ErrorCode::kTypeMismatch, "an object cannot be a statement parameter");
  }
  check(db, resultCode);
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
      const void* text = sqlite3_column_text16(statement, column);
      return Variant(std::u16string(textOf(text, sqlite3_column_bytes16(statement, column))));
    }
    default:
      raise(ErrorCode::kComponentFailure,
            "column " + toUtf8(nulTerminated(sqlite3_column_name16(statement, column))) +
                " holds binary data, which a record set cannot carry");
  }
}

// Compiles the first statement of `text`; `rest` receives what follows it. Gives a null handle
// when `text` holds no statement.
StatementHandle prepareFirst(sqlite3* db, std::u16string_view text, std::u16string_view& rest,
                             const std::string& context = {}) {
  if (text.empty()) text = u"";
  sqlite3_stmt* raw = nullptr;
  const void* tail = nullptr;
  const int resultCode = sqlite3_prepare16_v2(db, text.data(), byteLength(text), &raw, &tail);
  StatementHandle statement(raw);
  check(db, resultCode, context);
  rest =
      tail ? text.substr(static_cast<const char16_t*>(tail) - text.data()) : std::u16string_view();
  return statement;
}

// Runs every statement of `script`, ignoring any rows.
void executeAll(sqlite3* db, std::u16string_view script, const std::string& context = {}) {
  std::u16string_view rest = script;
  while (!rest.empty()) {
    StatementHandle statement = prepareFirst(db, rest, rest, context);
    if (!statement) break;  // only blanks and comments were left
    int resultCode = SQLITE_ROW;
    while (resultCode == SQLITE_ROW) {
      resultCode = sqlite3_step(statement.get());
      check(db, resultCode, context);
    }
  }
}

class SqliteDatabase final : public Database {
 public:
  explicit SqliteDatabase(ConnectionHandle db) : db_(std::move(db)) {}

  ResultSet query(std::u16string_view sqlServerText) override {
    return runOne(adaptToSqlite(sqlServerText), {});
  }

  ResultSet queryNative(std::u16string_view nativeText,
                        std::span<const Variant> parameters) override {
    return runOne(nativeText, parameters);
  }

  void executeScript(std::u16string_view nativeScript) override {
    executeAll(db_.get(), nativeScript);
    rowsChanged_ = -1;
  }

  // Immediate: the write lock is taken at once, so a writer elsewhere makes this wait out the
  // busy timeout rather than fail half-way through the transaction.
  void begin() override { runOne(u"begin immediate", {}); }
  void commit() override { runOne(u"commit", {}); }
  void rollback() override { runOne(u"rollback", {}); }

  std::int64_t rowsChanged() const override { return rowsChanged_; }

 private:
  ResultSet runOne(std::u16string_view text, std::span<const Variant> parameters) {
    std::u16string_view rest;
    StatementHandle statement = prepareFirst(db_.get(), text, rest);
    if (!holdsOnlyBlanksAndComments(rest)) {
      raise(ErrorCode::kComponentFailure, "one statement at a time: " + toUtf8(text));
    }
    if (!statement) return {};
    const int expected = sqlite3_bind_parameter_count(statement.get());
    if (expected != static_cast<int>(parameters.size())) {
      raise(ErrorCode::kComponentFailure, "the statement takes " + std::to_string(expected) +
                                              " parameters, " + std::to_string(parameters.size()) +
                                              " given: " + toUtf8(text));
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      bindParameter(db_.get(), statement.get(), static_cast<int>(i) + 1, parameters[i]);
    }
    return run(statement.get());
  }

  ResultSet run(sqlite3_stmt* statement) {
    ResultSet result;
    const int columnCount = sqlite3_column_count(statement);
    for (int column = 0; column < columnCount; ++column) {
      result.columns.emplace_back(nulTerminated(sqlite3_column_name16(statement, column)));
    }
    const sqlite3_int64 totalBefore = sqlite3_total_changes64(db_.get());
    while (true) {
      const int resultCode = sqlite3_step(statement);
      check(db_.get(), resultCode);
      if (resultCode == SQLITE_DONE) break;
      auto& row = result.rows.emplace_back();
      row.reserve(columnCount);
      for (int column = 0; column < columnCount; ++column) {
        row.push_back(readColumn(statement, column));
      }
    }
    const bool changesRows = columnCount == 0 && !sqlite3_stmt_readonly(statement);
    const bool changedAny = sqlite3_total_changes64(db_.get()) != totalBefore;
    rowsChanged_ = !changesRows ? -1 : changedAny ? sqlite3_changes64(db_.get()) : 0;
    return result;
  }

  ConnectionHandle db_;
  std::int64_t rowsChanged_ = -1;
};

}  // namespace

std::unique_ptr<Database> openSqliteDatabase(const std::filesystem::path& file,
                                             bool createIfMissing) {
  const std::u8string name = file.u8string();
  const std::string context = "cannot open database '" + file.string() + "'";
  const int flags = SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0);
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
  executeAll(db.get(), u"pragma foreign_keys = on;", context);
  executeAll(db.get(), catalogueViewsScript(), context);
  return std::make_unique<SqliteDatabase>(std::move(db));
}

}  // namespace tarn::erp::db
