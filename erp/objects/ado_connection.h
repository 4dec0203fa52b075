// The database connection object a host registers as "ADODB.Connection": the component opens it
// with a connection string and runs SQL Server-dialect statements through it.
//
// Operations:
//   Open(connectionString[, userId[, password[, options]]]): opens the database the string names
//     (db::openDatabase; the file must exist). The other arguments are accepted and ignored.
//   Execute(sql[, recordsAffected[, options]]): runs one statement through Database::query and
//     gives a record set object (record_set_object.h) with its rows. A by-reference
//     recordsAffected receives the number of rows written, or -1 for a statement giving rows.
//   Close: closes the database; record sets already given stay readable.
//   State: Long, 0 when closed, 1 when open.
// Failures raise kComponentFailure: Open on an open connection, a malformed connection string,
// any database failure; Execute or Close on a connection that is not open.
#pragma once

#include "tarnvelloc/automation/object.h"

namespace tarn::erp {

automation::ObjectRef makeAdoConnection();

}  // namespace tarn::erp
