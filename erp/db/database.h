// The database layer of the outside components: one small interface for running a statement
// and reading its rows, with backends: SQLite embedded and ODBC. The component emits SQL Server
// dialect; a connection whose database is not SQL Server adapts it (dialect.h). The component
// never adapts anything.
//
// Values are automation Variants: Null, Long (or Double when an integer does not fit), Double,
// String. Every failure raises automation::AutomationError with code kComponentFailure and the
// database's own message. A Database is used on one thread at a time.
//
// Text crosses this layer exactly or not at all: a statement or a parameter that is not
// well-formed UTF-16 (an unpaired surrogate) is refused with kComponentFailure before anything
// reaches the database, never altered.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "erp/db/connection_string.h"
#include "erp/db/dialect.h"
#include "tarnvelloc/automation/variant.h"
#include "tarnvelloc/erp/result_set.h"

namespace tarn::erp::db {

using ResultSet = erp::ResultSet;
using RowWindow = erp::RowWindow;
using WindowedResult = erp::WindowedResult;

class Database {
 public:
  virtual ~Database() = default;

  // Runs one statement written in SQL Server dialect (as the component writes it); returns its
  // rows, or an empty result for a statement without rows. The string literals that stand for
  // values travel as parameters (dialect.h), so statements that differ only in their values are
  // compiled once per connection. A failure is also recorded for the host, with the statement
  // (tarnvelloc/erp/diagnostics.h).
  ResultSet query(std::u16string_view sqlServerText);

  // Runs one statement in the backend's own dialect with positional `?` parameters. Used by the
  // outside components for their own bookkeeping (inserts, service tables). A failure is
  // recorded as query's is.
  ResultSet queryNative(std::u16string_view nativeText,
                        std::span<const automation::Variant> parameters = {});

  // Runs one statement as query does and gives the rows inside `window` (result_set.h): the
  // rows before it are not read, and the statement is not run to its end unless the window
  // counts every row. What the caller sees is the statement's own: its columns, its rows in
  // its order, and a failure recorded with its text. A backend whose database can stop early
  // on its own carries the window into the statement it sends; the caller never sees that
  // statement.
  WindowedResult queryWindow(std::u16string_view sqlServerText, RowWindow window);

  // The SQL this connection's database speaks; query adapts the component's statements to it
  // (dialect.h).
  virtual Dialect dialect() const = 0;

  // Runs a script of several statements in the backend's own dialect (schema, seed data).
  virtual void executeScript(std::u16string_view nativeScript) = 0;

  // One transaction at a time: begin, then commit or rollback.
  virtual void begin() = 0;
  // Begins a transaction that only reads, where the backend gains by one: the statements up to
  // commit() then read one state of the database and take its lock once rather than each its
  // own. Gives false and begins nothing where the backend gains nothing (each statement of an
  // ODBC connection is its own transaction, as before) or while a transaction is open.
  virtual bool beginReading() { return false; }
  virtual void commit() = 0;
  virtual void rollback() = 0;

  // How many rows the last statement inserted, updated or deleted; -1 when it returned rows or
  // when the backend cannot tell.
  virtual std::int64_t rowsChanged() const { return -1; }

  // A number that differs from every one given before whenever the database's content or schema
  // may have changed in between, by this connection or by another one. What was read while the
  // number stayed the same can be kept. A backend that cannot tell gives a new number each time.
  virtual std::uint64_t dataVersion() { return ++uncertainVersion_; }

  // How many statements this connection has compiled since it opened; a statement served from
  // the connection's cache of compiled statements is not counted again.
  virtual std::uint64_t statementsCompiled() const { return 0; }

 protected:
  // The backend's own running of query and queryNative.
  virtual ResultSet runQuery(std::u16string_view sqlServerText) = 0;
  virtual ResultSet runNative(std::u16string_view nativeText,
                              std::span<const automation::Variant> parameters) = 0;
  virtual WindowedResult runWindow(std::u16string_view sqlServerText, RowWindow window) = 0;

 private:
  std::uint64_t uncertainVersion_ = 0;
};

}  // namespace tarn::erp::db
