#include "erp/db/odbc_database.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "erp/db/bounded_cache.h"
#include "erp/db/dialect.h"
#include "erp/db/odbc_api.h"
#include "erp/db/odbc_columns.h"
#include "erp/db/odbc_handles.h"
#include "erp/db/odbc_script.h"
#include "erp/db/odbc_text.h"
#include "erp/db/row_window.h"
#include "erp/db/shape_memo.h"
#include "erp/db/well_formed_text.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/diagnostics.h"

namespace tarn::erp::db {
namespace {

using automation::ErrorCode;
using automation::raise;
using automation::toUtf8;
using automation::Variant;
using odbc::Column;
using odbc::ColumnKind;
using odbc::Handle;
using odbc::TextEncoding;

// Statement texts kept per connection and kind, as the SQLite backend keeps its own.
constexpr std::size_t kCachedStatements = 64;
// Longer text parameters go as long text: SQL Server's varying text holds at most 4000 UTF-16
// code units.
constexpr std::size_t kLongestVaryingText = 4000;
// A window's limit or offset from here on is as good as none.
constexpr std::size_t kUnlimited = SIZE_MAX / 2;
constexpr std::size_t kLargestWhole = INT64_MAX;
// Text is read in pieces of this many code units (or bytes).
constexpr std::size_t kTextPiece = 1024;
// PostgreSQL plans this many runs of a prepared statement for their values before it may keep
// one plan for all.
constexpr std::uint64_t kRunsPlannedForTheirValues = 5;

// Whether a PostgreSQL connection plans every run of a prepared statement for its values.
enum class CustomPlans { kUnset, kSetInTransaction, kSet };

// A statement text the connection has run, kept for its next runs. Its first run goes to the
// driver directly, without a handle of its own: a driver that sends a prepared statement's
// parsing, description and execution to the server one after the other (psqlODBC) then sends the
// one run in one round trip, and a text a process runs once costs no more. From its second run
// on, the text is prepared on a handle of its own and kept. That handle is freed with it while
// its connection is connected, and left alone once the connection is disconnected, which freed
// it.
struct Prepared {
  Prepared(std::u16string driverText, const bool& disconnected)
      : text(std::move(driverText)), connectionDisconnected(&disconnected) {}
  Prepared(Prepared&&) noexcept = default;
  Prepared& operator=(Prepared&&) noexcept = default;
  ~Prepared() {
    if (*connectionDisconnected) statement.abandon();
  }

  // Whether the next run goes to the driver directly: the text has no prepared handle yet.
  bool direct() const { return !statement; }

  std::u16string text;                 // as the driver is given it
  Handle statement;                    // null until the text's second run
  const bool* connectionDisconnected;  // the connection's, which outlives every statement
  SQLSMALLINT parameterCount = -1;     // -1 when the driver cannot tell
  std::uint64_t runs = 0;
};

// A parameter's value, kept where the driver reads it until the statement has run.
struct BoundValue {
  std::u16string wideText;
  std::string narrowText;
  SQLBIGINT whole = 0;
  double floating = 0;
  SQLLEN indicator = 0;
};

// Sets the most rows a statement gives (0: all) for as long as it lives, then sets it back to
// all, so that a kept statement gives all its rows when it is next run as a plain query. A
// driver that refuses the setting gives every row, which the window's stepping then cuts.
class MaxRows {
 public:
  MaxRows(const Handle& statement, std::size_t most) : statement_(statement.get()), set_(most > 0) {
    if (set_) setTo(most);
  }
  MaxRows(const MaxRows&) = delete;
  MaxRows& operator=(const MaxRows&) = delete;
  ~MaxRows() {
    if (set_) setTo(0);
  }

 private:
  void setTo(std::size_t most) {
    SQLSetStmtAttrW(statement_, SQL_ATTR_MAX_ROWS,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(most)), 0);
  }

  SQLHSTMT statement_;
  bool set_;
};

// Closes the statement's cursor and unbinds its parameters when it goes out of scope, so that a
// kept statement holds no rows and points at no buffer between uses.
class CursorReset {
 public:
  explicit CursorReset(const Handle& statement) : statement_(statement.get()) {}
  CursorReset(const CursorReset&) = delete;
  CursorReset& operator=(const CursorReset&) = delete;
  ~CursorReset() {
    SQLFreeStmt(statement_, SQL_CLOSE);
    SQLFreeStmt(statement_, SQL_RESET_PARAMS);
  }

 private:
  SQLHSTMT statement_;
};

std::u16string infoText(const Handle& connection, SQLUSMALLINT item) {
  std::u16string text(256, u'\0');
  SQLSMALLINT bytes = 0;
  const SQLRETURN code =
      SQLGetInfoW(connection.get(), item, odbc::wide(text),
                  static_cast<SQLSMALLINT>(text.size() * sizeof(char16_t)), &bytes);
  if (!odbc::succeeded(code)) return {};
  text.resize(std::min(text.size() - 1, static_cast<std::size_t>(bytes) / sizeof(char16_t)));
  return text;
}

Dialect dialectOf(const Handle& connection) {
  const std::u16string dbms = infoText(connection, SQL_DBMS_NAME);
  if (dbms == u"Microsoft SQL Server") return Dialect::kSqlServer;
  if (dbms.starts_with(u"SQLite")) return Dialect::kSqlite;
  if (dbms == u"PostgreSQL") return Dialect::kPostgreSql;
  raise(ErrorCode::kComponentFailure,
        "the ODBC data source is a '" + toUtf8(dbms) +
            "' database; the outside components work with Microsoft SQL Server, SQLite and "
            "PostgreSQL");
}

// The driver's echo of `text` through SQLNativeSqlW; nothing when the driver cannot echo.
std::optional<std::u16string> nativeEcho(const Handle& connection, std::u16string text) {
  std::u16string echo(text.size() * 4 + 16, u'\0');
  SQLINTEGER length = 0;
  const SQLRETURN code =
      SQLNativeSqlW(connection.get(), odbc::wide(text), static_cast<SQLINTEGER>(text.size()),
                    odbc::wide(echo), static_cast<SQLINTEGER>(echo.size() - 1), &length);
  if (!odbc::succeeded(code)) return std::nullopt;
  // The echo ends at its terminating zero: a converted echo's length may count bytes.
  echo.resize(echo.find(u'\0'));
  return echo;
}

// Whether wide text reaches the driver unchanged. A driver without wide functions gets narrow
// text that the driver manager makes with the process's locale: under the C locale that text
// loses every non-ASCII character, and under a UTF-8 locale unixODBC still breaks characters
// outside the BMP, so statements silently match nothing. A library must not change its host's
// locale; instead this asks the driver to echo a text (SQLNativeSql involves no database). When
// plain ASCII comes back as sent but text that only Unicode can carry comes back changed, the
// connection speaks UTF-8 through the narrow API, which is what such drivers (SQLite's) take.
// Any other answer leaves the wide API in use.
TextEncoding encodingOf(const Handle& connection) {
  const std::u16string ascii = u"select 'x'";
  const std::u16string unicode = u"select '中文 \U0001F600 é'";
  if (nativeEcho(connection, ascii) != ascii) return TextEncoding::kWide;
  const auto echo = nativeEcho(connection, unicode);
  return !echo || *echo == unicode ? TextEncoding::kWide : TextEncoding::kUtf8;
}

class OdbcDatabase final : public Database {
 public:
  OdbcDatabase(Handle environment, Handle connection, odbc::Secrets secrets, TextEncoding encoding,
               Dialect dialect)
      : environment_(std::move(environment)),
        connection_(std::move(connection)),
        secrets_(std::move(secrets)),
        encoding_(encoding),
        dialect_(dialect) {}

  // A driver refuses to disconnect while a transaction is open: what was not committed is
  // rolled back, so that the connection closes and its locks go with it. The connection is
  // disconnected before its kept statements go, which frees them on this side alone: freed one
  // by one while connected, each would cost a round trip (psqlODBC deallocates its statement on
  // the server, which forgets them all when the connection ends anyway).
  ~OdbcDatabase() override {
    if (inTransaction_) SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
    disconnected_ = connection_.disconnect();
    if (disconnected_) firstRuns_.abandon();
  }
  OdbcDatabase(const OdbcDatabase&) = delete;
  OdbcDatabase& operator=(const OdbcDatabase&) = delete;

  ResultSet runQuery(std::u16string_view sqlServerText) override {
    shapes_.shape(sqlServerText, shape_);
    Prepared& prepared = sqlServerStatement(sqlServerText);
    const Handle& statement = handleFor(prepared);
    const CursorReset reset(statement);
    bindValues(prepared, statement, 0, sqlServerText);
    return execute(prepared, statement);
  }

  WindowedResult runWindow(std::u16string_view sqlServerText, RowWindow window) override {
    shapes_.shape(sqlServerText, shape_);
    if (dialect_ == Dialect::kPostgreSql) return windowOnServer(sqlServerText, window);
    Prepared& prepared = sqlServerStatement(sqlServerText);
    const Handle& statement = handleFor(prepared);
    const CursorReset reset(statement);
    bindValues(prepared, statement, 0, sqlServerText);
    // SQL Server stops after the rows the window needs when told the most rows to give (the
    // driver sends it as the statement's row count). A limit or an offset in the statement
    // itself would need an order the statement may not have (offset ... fetch), could clash
    // with its own top, and a derived table may not hold its order by. SQLite's driver computes
    // a row only when fetched, so stepping alone stops it early.
    const bool capped = dialect_ == Dialect::kSqlServer && !window.countRows &&
                        window.limit < kUnlimited && window.offset < kUnlimited - window.limit;
    const MaxRows maxRows(statement, capped ? window.offset + window.limit + 1 : 0);
    return executeWindow(prepared, statement, window);
  }

  ResultSet runNative(std::u16string_view nativeText,
                      std::span<const Variant> parameters) override {
    Prepared& prepared = nativeStatement(nativeText);
    const Handle& statement = handleFor(prepared);
    const CursorReset reset(statement);
    if (prepared.parameterCount >= 0 &&
        static_cast<std::size_t>(prepared.parameterCount) != parameters.size()) {
      raise(ErrorCode::kComponentFailure,
            "the statement takes " + std::to_string(prepared.parameterCount) + " parameters, " +
                std::to_string(parameters.size()) + " given: " + toUtf8(nativeText));
    }
    bound_.resize(std::max(bound_.size(), parameters.size()));
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      bindParameter(statement, i, parameters[i]);
    }
    return execute(prepared, statement);
  }

  Dialect dialect() const override { return dialect_; }

  void executeScript(std::u16string_view nativeScript) override {
    requireWellFormed(nativeScript, "the script");
    const Handle statement = allocateStatement();
    for (const auto text : odbc::splitScript(nativeScript)) {
      const CursorReset reset(statement);
      SQLRETURN code = SQL_SUCCESS;
      if (encoding_ == TextEncoding::kWide) {
        code =
            SQLExecDirectW(statement.get(), odbc::wide(text), static_cast<SQLINTEGER>(text.size()));
      } else {
        std::string utf8 = toUtf8(text);
        code = SQLExecDirect(statement.get(), odbc::narrow(utf8),
                             static_cast<SQLINTEGER>(utf8.size()));
      }
      if (code != SQL_NO_DATA) check(code, statement);
    }
    rowsChanged_ = -1;
  }

  void begin() override {
    recorded(u"begin", [&] {
      if (inTransaction_) raise(ErrorCode::kComponentFailure, "a transaction is already open");
      setAutocommit(false);
      inTransaction_ = true;
    });
  }
  void commit() override { endTransaction(u"commit", SQL_COMMIT); }
  void rollback() override { endTransaction(u"rollback", SQL_ROLLBACK); }

  std::int64_t rowsChanged() const override { return rowsChanged_; }
  // Each text counts once, when first met: preparing it again for its second run, to keep it,
  // is not counted.
  std::uint64_t statementsCompiled() const override { return compiled_; }

 private:
  template <typename Work>
  void recorded(std::u16string_view operation, Work work) {
    try {
      work();
    } catch (const std::exception& failure) {
      recordDatabaseFailure(operation, failure);
      throw;
    }
  }

  void check(SQLRETURN code, const Handle& handle) const {
    odbc::check(code, handle, encoding_, secrets_);
  }

  void setAutocommit(bool on) {
    const auto value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    check(SQLSetConnectAttrW(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(value)),
                             SQL_IS_UINTEGER),
          connection_);
  }

  void endTransaction(std::u16string_view operation, SQLSMALLINT completion) {
    recorded(operation, [&] {
      if (!inTransaction_) raise(ErrorCode::kComponentFailure, "no transaction is open");
      // A setting made in the transaction lasts only if the transaction commits.
      const bool kept = customPlans_ == CustomPlans::kSetInTransaction && completion == SQL_COMMIT;
      if (customPlans_ == CustomPlans::kSetInTransaction) customPlans_ = CustomPlans::kUnset;
      check(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), completion), connection_);
      if (kept) customPlans_ = CustomPlans::kSet;
      inTransaction_ = false;
      setAutocommit(true);
    });
  }

  Handle allocateStatement() const {
    return odbc::allocate(SQL_HANDLE_STMT, &connection_, secrets_);
  }

  // Prepares `text` on `statement` and gives the number of its parameters (-1 when the driver
  // cannot tell). psqlODBC sends nothing to the server for either.
  SQLSMALLINT prepareOn(const Handle& statement, std::u16string_view text) {
    SQLRETURN code = SQL_SUCCESS;
    if (encoding_ == TextEncoding::kWide) {
      code = SQLPrepareW(statement.get(), odbc::wide(text), static_cast<SQLINTEGER>(text.size()));
    } else {
      std::string utf8 = toUtf8(text);
      code = SQLPrepare(statement.get(), odbc::narrow(utf8), static_cast<SQLINTEGER>(utf8.size()));
    }
    check(code, statement);
    SQLSMALLINT count = 0;
    return odbc::succeeded(SQLNumParams(statement.get(), &count)) ? count : SQLSMALLINT{-1};
  }

  // A text met for the first time, before its first run. It is prepared on the connection's
  // handle for first runs, which tells its parameters before anything is sent and refuses a text
  // the driver cannot read, which is then not kept. The text counts as compiled once, here.
  Prepared firstMet(std::u16string text) {
    if (!firstRuns_) firstRuns_ = allocateStatement();
    Prepared prepared(std::move(text), disconnected_);
    prepared.parameterCount = prepareOn(firstRuns_, prepared.text);
    ++compiled_;
    return prepared;
  }

  // The handle the text's next run goes through: the connection's handle for first runs, or
  // from the second run on its own, prepared now if it has none yet.
  const Handle& handleFor(Prepared& prepared) {
    if (prepared.runs == 0) return firstRuns_;
    if (prepared.direct()) {
      Handle statement = allocateStatement();
      prepared.parameterCount = prepareOn(statement, prepared.text);
      prepared.statement = std::move(statement);
    }
    return prepared.statement;
  }

  Prepared& sqlServerStatement(std::u16string_view original) {
    if (auto* found = sqlServerStatements_.find(shape_.text)) return *found;
    // The shape holds every part of the statement but its values, which are checked as bound.
    if (automation::findUnpairedSurrogate(shape_.text) != std::u16string_view::npos) {
      requireWellFormed(original, "the statement");
    }
    // The driver is given the one statement alone, without what may trail it.
    const std::u16string adapted = adaptTo(dialect_, shape_.text);
    return sqlServerStatements_.insert(
        shape_.text, firstMet(std::u16string(oneStatement(dialect_, adapted, original))));
  }

  Prepared& nativeStatement(std::u16string_view text) {
    if (auto* found = nativeStatements_.find(text)) return *found;
    requireWellFormed(text, "the statement");
    return nativeStatements_.insert(std::u16string(text),
                                    firstMet(std::u16string(oneStatement(dialect_, text, text))));
  }

  void bindText(const Handle& statement, std::size_t index, std::u16string_view text) {
    BoundValue& value = bound_[index];
    const bool isLong = text.size() > kLongestVaryingText;
    SQLRETURN code = SQL_SUCCESS;
    if (encoding_ == TextEncoding::kWide) {
      value.wideText.assign(text);
      value.indicator = static_cast<SQLLEN>(text.size() * sizeof(char16_t));
      code = SQLBindParameter(
          statement.get(), static_cast<SQLUSMALLINT>(index + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
          isLong ? SQL_WLONGVARCHAR : SQL_WVARCHAR, std::max<SQLULEN>(text.size(), 1), 0,
          odbc::wide(value.wideText), value.indicator, &value.indicator);
    } else {
      value.narrowText = toUtf8(text);
      value.indicator = static_cast<SQLLEN>(value.narrowText.size());
      code = SQLBindParameter(statement.get(), static_cast<SQLUSMALLINT>(index + 1),
                              SQL_PARAM_INPUT, SQL_C_CHAR, isLong ? SQL_LONGVARCHAR : SQL_VARCHAR,
                              std::max<SQLULEN>(value.narrowText.size(), 1), 0,
                              odbc::narrow(value.narrowText), value.indicator, &value.indicator);
    }
    check(code, statement);
  }

  void bindParameter(const Handle& statement, std::size_t index, const Variant& parameter) {
    BoundValue& value = bound_[index];
    const auto number = static_cast<SQLUSMALLINT>(index + 1);
    SQLRETURN code = SQL_SUCCESS;
    switch (parameter.type()) {
      case Variant::Type::Empty:
      case Variant::Type::Null:
        value.indicator = SQL_NULL_DATA;
        code = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                1, 0, nullptr, 0, &value.indicator);
        break;
      case Variant::Type::Boolean:
      case Variant::Type::Integer:
      case Variant::Type::Long:
        value.whole = parameter.type() == Variant::Type::Boolean ? (parameter.toBoolean() ? 1 : 0)
                                                                 : parameter.toLong();
        if (wholeAsText(statement, index)) return;
        value.indicator = 0;
        code = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT,
                                0, 0, &value.whole, 0, &value.indicator);
        break;
      case Variant::Type::Double:
        value.floating = parameter.toDouble();
        value.indicator = 0;
        code = SQLBindParameter(statement.get(), number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE,
                                0, 0, &value.floating, 0, &value.indicator);
        break;
      case Variant::Type::String: {
        const std::u16string text = parameter.toString();
        requireWellFormed(text, "parameter " + std::to_string(index + 1));
        bindText(statement, index, text);
        return;
      }
      case Variant::Type::Object:
        raise(ErrorCode::kTypeMismatch, "an object cannot be a statement parameter");
    }
    check(code, statement);
  }

  // Binds the values of the shape shapeStatement made for `sqlServerText`, first among the
  // statement's parameters, after checking (when the driver can tell) that `extra` more follow.
  void bindValues(const Prepared& prepared, const Handle& statement, std::size_t extra,
                  std::u16string_view sqlServerText) {
    const std::size_t count = shape_.values.size();
    if (prepared.parameterCount >= 0 &&
        static_cast<std::size_t>(prepared.parameterCount) != count + extra) {
      raise(ErrorCode::kComponentFailure,
            "the statement names a variable that nothing sets: " + toUtf8(sqlServerText));
    }
    bound_.resize(std::max(bound_.size(), count + extra));
    for (std::size_t i = 0; i < count; ++i) {
      value_.clear();
      appendLiteralValue(value_, shape_.values[i]);
      if (automation::findUnpairedSurrogate(value_) != std::u16string_view::npos) {
        requireWellFormed(sqlServerText, "the statement");
      }
      bindText(statement, i, value_);
    }
  }

  // psqlODBC writes a cast after a whole-number parameter of a statement run directly ($1::int8),
  // which fixes a type PostgreSQL would otherwise take from where the parameter stands: left(t,
  // $1::int8) then finds no function. On PostgreSQL a whole number is therefore bound as its
  // decimal text, which the server types from its place, as it does every parameter of a
  // prepared statement (whose values psqlODBC sends as text in any case). True when it did.
  bool wholeAsText(const Handle& statement, std::size_t index) {
    if (dialect_ != Dialect::kPostgreSql) return false;
    const std::string digits = std::to_string(bound_[index].whole);
    bindText(statement, index, std::u16string(digits.begin(), digits.end()));
    return true;
  }

  void bindWhole(const Handle& statement, std::size_t index, std::size_t number) {
    BoundValue& value = bound_[index];
    value.whole = static_cast<SQLBIGINT>(std::min<std::size_t>(number, kLargestWhole));
    if (wholeAsText(statement, index)) return;
    value.indicator = 0;
    check(SQLBindParameter(statement.get(), static_cast<SQLUSMALLINT>(index + 1), SQL_PARAM_INPUT,
                           SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &value.whole, 0, &value.indicator),
          statement);
  }

  // PostgreSQL is given the statement inside a limit and an offset, so that it stops after the
  // rows the window needs (and one more, which tells whether more follow) and sends only those:
  // its driver would otherwise take in every row before the first is read. A subquery keeps
  // the statement's own columns, order and top (adapted to a limit) as they are. The number of
  // all rows, when asked, follows from the window when the window reaches the last row, and is
  // otherwise counted by the database in a statement of its own.
  WindowedResult windowOnServer(std::u16string_view sqlServerText, RowWindow window) {
    const std::size_t count = shape_.values.size();
    WindowedResult result;
    {
      Prepared& prepared = wrappedStatement(windowStatements_, u"select * from (\n",
                                            u"\n) as w limit ? offset ?", sqlServerText);
      const Handle& statement = handleFor(prepared);
      const CursorReset reset(statement);
      bindValues(prepared, statement, 2, sqlServerText);
      bindWhole(statement, count, window.limit < kLargestWhole ? window.limit + 1 : kLargestWhole);
      bindWhole(statement, count + 1, window.offset);
      result = executeWindow(prepared, statement, RowWindow{0, window.limit, false});
    }
    if (!window.countRows) return result;
    if (!result.more && (window.offset == 0 || !result.rows.rows.empty())) {
      result.totalRows = window.offset + result.rows.rows.size();
      return result;
    }
    Prepared& counting =
        wrappedStatement(countStatements_, u"select count(*) from (\n", u"\n) as w", sqlServerText);
    const Handle& statement = handleFor(counting);
    const CursorReset reset(statement);
    bindValues(counting, statement, 0, sqlServerText);
    const ResultSet counted = execute(counting, statement);
    result.totalRows = static_cast<std::size_t>(counted.rows.at(0).at(0).toDouble());
    return result;
  }

  // The kept statement of the current shape written between `before` and `after`, in `cache`.
  Prepared& wrappedStatement(BoundedCache<Prepared>& cache, std::u16string_view before,
                             std::u16string_view after, std::u16string_view original) {
    if (auto* found = cache.find(shape_.text)) return *found;
    if (automation::findUnpairedSurrogate(shape_.text) != std::u16string_view::npos) {
      requireWellFormed(original, "the statement");
    }
    const std::u16string adapted = adaptTo(dialect_, shape_.text);
    std::u16string wrapped(before);
    wrapped += oneStatement(dialect_, adapted, original);
    wrapped += after;
    return cache.insert(shape_.text, firstMet(std::move(wrapped)));
  }

  // Runs the bound statement: directly with its text on its first run, else as prepared.
  //
  // PostgreSQL plans the first five runs of a prepared statement for their values and may then
  // keep one plan for any values: a pick-list's match would then go through the trigram indexes
  // even when it is one or two characters long, which they cannot narrow (0.2 s over a million
  // values instead of 0.3 ms). The connection is told to plan every run for its values before
  // any text runs a sixth time, its direct first run counted (the setting comes a run early,
  // never late): a connection that runs each statement a few times (a command's) spends no round
  // trip on it. A transaction rolled back undoes the setting; it is then made again.
  SQLRETURN run(Prepared& prepared, const Handle& statement) {
    if (dialect_ == Dialect::kPostgreSql && customPlans_ == CustomPlans::kUnset &&
        prepared.runs >= kRunsPlannedForTheirValues) {
      executeScript(u"set plan_cache_mode = force_custom_plan");
      customPlans_ = inTransaction_ ? CustomPlans::kSetInTransaction : CustomPlans::kSet;
    }
    const bool direct = prepared.direct();
    ++prepared.runs;
    if (!direct) return SQLExecute(statement.get());
    if (encoding_ == TextEncoding::kWide) {
      return SQLExecDirectW(statement.get(), odbc::wide(prepared.text),
                            static_cast<SQLINTEGER>(prepared.text.size()));
    }
    std::string utf8 = toUtf8(prepared.text);
    return SQLExecDirect(statement.get(), odbc::narrow(utf8), static_cast<SQLINTEGER>(utf8.size()));
  }

  // Runs the bound statement and reads the rows inside `window`; the caller's CursorReset
  // closes the cursor.
  WindowedResult executeWindow(Prepared& prepared, const Handle& statement, RowWindow window) {
    const SQLRETURN code = run(prepared, statement);
    if (code != SQL_NO_DATA) check(code, statement);
    SQLSMALLINT columnCount = 0;
    check(SQLNumResultCols(statement.get(), &columnCount), statement);
    rowsChanged_ = -1;
    WindowedResult result;
    const std::vector<Column> columns =
        odbc::describeColumns(statement, columnCount, encoding_, secrets_);
    for (const auto& column : columns) result.rows.columns.push_back(column.name);
    const auto step = [&] {
      if (columns.empty()) return false;
      const SQLRETURN fetched = SQLFetch(statement.get());
      if (fetched == SQL_NO_DATA) return false;
      check(fetched, statement);
      return true;
    };
    const auto read = [&](std::vector<Variant>& row) {
      row.reserve(columns.size());
      for (std::size_t i = 0; i < columns.size(); ++i) {
        row.push_back(readColumn(statement, static_cast<SQLUSMALLINT>(i + 1), columns[i]));
      }
    };
    stepThroughWindow(window, result, step, read);
    return result;
  }

  // Runs the bound statement and reads every row; the caller's CursorReset closes the cursor.
  ResultSet execute(Prepared& prepared, const Handle& statement) {
    const SQLRETURN code = run(prepared, statement);
    // SQL_NO_DATA: a searched update or delete that changed no row.
    if (code != SQL_NO_DATA) check(code, statement);
    SQLSMALLINT columnCount = 0;
    check(SQLNumResultCols(statement.get(), &columnCount), statement);
    ResultSet result;
    if (columnCount == 0) {
      SQLLEN changed = -1;
      if (code == SQL_NO_DATA) {
        changed = 0;
      } else if (!odbc::succeeded(SQLRowCount(statement.get(), &changed))) {
        changed = -1;
      }
      rowsChanged_ = changed;
      return result;
    }
    rowsChanged_ = -1;
    const std::vector<Column> columns =
        odbc::describeColumns(statement, columnCount, encoding_, secrets_);
    for (const auto& column : columns) result.columns.push_back(column.name);
    for (;;) {
      const SQLRETURN fetched = SQLFetch(statement.get());
      if (fetched == SQL_NO_DATA) break;
      check(fetched, statement);
      auto& row = result.rows.emplace_back();
      row.reserve(columns.size());
      for (std::size_t i = 0; i < columns.size(); ++i) {
        row.push_back(readColumn(statement, static_cast<SQLUSMALLINT>(i + 1), columns[i]));
      }
    }
    return result;
  }

  Variant readColumn(const Handle& statement, SQLUSMALLINT number, const Column& column) {
    SQLLEN indicator = 0;
    switch (column.kind) {
      case ColumnKind::kWhole: {
        SQLBIGINT value = 0;
        check(SQLGetData(statement.get(), number, SQL_C_SBIGINT, &value, 0, &indicator), statement);
        return indicator == SQL_NULL_DATA ? Variant::null() : odbc::wholeNumber(value);
      }
      case ColumnKind::kFloating:
      case ColumnKind::kDecimal: {
        double value = 0;
        check(SQLGetData(statement.get(), number, SQL_C_DOUBLE, &value, 0, &indicator), statement);
        if (indicator == SQL_NULL_DATA) return Variant::null();
        return column.kind == ColumnKind::kDecimal ? odbc::decimalNumber(value) : Variant(value);
      }
      case ColumnKind::kBinary:
        raise(ErrorCode::kComponentFailure,
              "column " + toUtf8(column.name) +
                  " holds binary data, which a record set cannot carry");
      case ColumnKind::kText:
        break;
    }
    return encoding_ == TextEncoding::kWide ? readWideText(statement, number)
                                            : readNarrowText(statement, number);
  }

  // Reads a text value piece by piece: a driver gives as much as the buffer holds (less its
  // terminating zero) and SQL_SUCCESS_WITH_INFO while more remains.
  template <typename Unit>
  bool readPieces(const Handle& statement, SQLUSMALLINT number, SQLSMALLINT cType,
                  std::basic_string<Unit>& out) {
    out.clear();
    std::basic_string<Unit> piece(kTextPiece, Unit{});
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN code =
          SQLGetData(statement.get(), number, cType, piece.data(),
                     static_cast<SQLLEN>(piece.size() * sizeof(Unit)), &indicator);
      if (code == SQL_NO_DATA) return true;
      check(code, statement);
      if (indicator == SQL_NULL_DATA) return false;
      const bool whole = indicator != SQL_NO_TOTAL &&
                         static_cast<std::size_t>(indicator) < piece.size() * sizeof(Unit);
      const std::size_t units =
          whole ? static_cast<std::size_t>(indicator) / sizeof(Unit) : piece.size() - 1;
      out.append(piece.data(), units);
      if (whole) return true;
    }
  }

  Variant readWideText(const Handle& statement, SQLUSMALLINT number) {
    std::u16string text;
    if (!readPieces(statement, number, SQL_C_WCHAR, text)) return Variant::null();
    return Variant(std::move(text));
  }

  Variant readNarrowText(const Handle& statement, SQLUSMALLINT number) {
    if (!readPieces(statement, number, SQL_C_CHAR, narrowRead_)) return Variant::null();
    return Variant(automation::fromUtf8(narrowRead_));
  }

  // Members go in reverse order: the statements are freed before the connection, the
  // connection before the environment.
  Handle environment_;
  Handle connection_;
  bool disconnected_ = false;
  odbc::Secrets secrets_;
  TextEncoding encoding_;
  Dialect dialect_;
  BoundedCache<Prepared> sqlServerStatements_{kCachedStatements};
  BoundedCache<Prepared> nativeStatements_{kCachedStatements};
  BoundedCache<Prepared> windowStatements_{kCachedStatements};
  BoundedCache<Prepared> countStatements_{kCachedStatements};
  // Where every text's first run goes.
  Handle firstRuns_;
  // Buffers reused from statement to statement.
  StatementShape shape_;
  ShapeMemo shapes_{kCachedStatements};
  std::u16string value_;
  std::vector<BoundValue> bound_;
  std::string narrowRead_;
  std::int64_t rowsChanged_ = -1;
  std::uint64_t compiled_ = 0;
  bool inTransaction_ = false;
  CustomPlans customPlans_ = CustomPlans::kUnset;
};

}  // namespace

std::unique_ptr<Database> openOdbcDatabase(const std::u16string& odbcConnection,
                                           const std::u16string& shownAs,
                                           std::optional<Dialect> dialect) {
  odbc::Secrets secrets = odbc::secretsOf(odbcConnection);
  Handle environment = odbc::allocate(SQL_HANDLE_ENV, nullptr, secrets);
  odbc::check(SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
              environment, TextEncoding::kWide, secrets);
  Handle connection = odbc::allocate(SQL_HANDLE_DBC, &environment, secrets);
  std::u16string text = odbcConnection;
  const SQLRETURN code = SQLDriverConnectW(connection.get(), nullptr, odbc::wide(text),
                                           static_cast<SQLSMALLINT>(text.size()), nullptr, 0,
                                           nullptr, SQL_DRIVER_NOPROMPT);
  odbc::check(code, connection, TextEncoding::kWide, secrets,
              "cannot connect to " + toUtf8(shownAs));
  connection.connected();
  const TextEncoding encoding = encodingOf(connection);
  const Dialect chosen = dialect ? *dialect : dialectOf(connection);
  return std::make_unique<OdbcDatabase>(std::move(environment), std::move(connection),
                                        std::move(secrets), encoding, chosen);
}

}  // namespace tarn::erp::db
