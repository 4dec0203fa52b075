// The outside components, for real: registers under their ProgIDs the archive data service
// (TarnDataSvc.IDataSvc), the voucher data service (TarnVoucherSvc.IVoucherSvc), the
// column-settings service (TarnColumnSvc.IColumnSvc, and TarnColSetSvc.IColumnSvc for the
// earlier revision), the row-authorisation service (TarnRowAuthSvc.IRowAuth), the utility
// service (TarnUtil.IUtil) and the database connection (ADODB.Connection). A host calls this
// once before creating the component; the component never links this library.
//
// Which database each service reads:
//   - the data, column-settings and row-authorisation services: the one their Init names;
//   - the utility service, whose Init the component never calls: the one its own Init names if
//     a host called it; otherwise the process's default connection, read afresh at every call.
//     The default connection is the one the host set with setDefaultConnection; while the host
//     has set none, it is the connection string of the data service (archive or voucher) most
//     recently initialised with success in this process. So a component initialised with a
//     connection string gets a utility service over the same database without any host set-up,
//     and a host serving several databases pins the utility service's with
//     setDefaultConnection.
//
// How many connections: the services a component initialises one after another on one thread
// with one connection string share one database connection, opened by the first and closed
// with the last of them to be released. A second component, or a component on another thread,
// has its own; a service initialised again connects anew. So a component made anew after a lost
// connection never inherits the lost one.
#pragma once

#include <string>

#include "tarnvelloc/automation/factory.h"

namespace tarn::erp {

void registerComponents(
    automation::ComponentRegistry& registry = automation::ComponentRegistry::global());

// While one lives on a thread, the outside components used on that thread read each of their
// connections through one read transaction, begun at its first read, where the backend gains by
// it (SQLite: one lock and one look at the file for all the reads of a call, rather than one
// per statement; an ODBC connection reads as before, each statement its own transaction). The
// transactions end with the last ReadTogether of the thread, or when an outside component is
// about to write (an archived value), before it writes. A host holds one around one call of the
// component, such as a validation, and never around a wait: on a SQLite file in rollback-journal
// mode a writer elsewhere cannot commit while a read transaction is open, and one on the same
// thread would wait for it. Statements a host sends through OpenX inside it are read: one that
// writes is committed when the ReadTogether ends.
class ReadTogether {
 public:
  ReadTogether();
  ~ReadTogether();
  ReadTogether(const ReadTogether&) = delete;
  ReadTogether& operator=(const ReadTogether&) = delete;
};

// Sets the process's default connection string (see above); the empty string removes the
// host's choice, so that the most recently initialised data service decides again. Safe to
// call from any thread.
void setDefaultConnection(std::u16string connectionString);

}  // namespace tarn::erp
