// Creators of the outside components, one per class; registerComponents
// (tarnvelloc/erp/components.h) files them under their ProgIDs. Each call gives a new,
// uninitialised object.
//
// Every operation raises AutomationError (kComponentFailure, the database's own message inside)
// when it cannot do its work, except where a comment below says otherwise.
#pragma once

#include "tarnvelloc/automation/object.h"

namespace tarn::erp::providers {

// TarnDataSvc.IDataSvc:
//   Init(connectionString)   opens the database; a bad string or a missing file leaves the
//                            service without one (Status false) and raises nothing.
//   Status                   Boolean: true when Init opened a database.
//   OpenX(sql [, flag, text]) runs one statement in SQL Server dialect, gives a record set;
//                            flag and text are accepted and left as they are.
//   Add(record, archiveName, message)
//                            archives the value of a <Userdefine> record (userdefine_archive.h);
//                            Boolean true when the value is in the archive afterwards, false
//                            (nothing written) with the reason in `message` otherwise, also
//                            before Init. `message` is emptied on success. Never raises.
automation::ObjectRef makeArchiveDataProvider();

// TarnVoucherSvc.IVoucherSvc: the operations of the archive data service, and
//   GetFieldNames(table, flag, text)  a record set of FieldName, fielddef
//                                     (voucher_field_list.h); flag and text left as they are.
automation::ObjectRef makeVoucherDataProvider();

// TarnColumnSvc.IColumnSvc (and TarnColSetSvc.IColumnSvc):
//   Init(connectionString, userId)  opens the database; raises when it cannot.
//   getColInfo(key, selector)       the column information text of the layout (column_info.h).
//   GetSqlString(info)              its select list; GetOrderString(info) its order-by list.
//                                   Both read the text alone and work without Init.
//   getColSet(key, selector)        a record set of cCaption, cField, iWidth, one row per
//                                   column in order.
// A key without a layout is an empty layout: empty select and order-by lists, no rows. Layouts
// are company-wide: the user id and the selector choose nothing. A layout read is kept until
// the database changes (by any connection), so a reference call reads it at most once.
automation::ObjectRef makeColumnSettingsProvider();

// TarnRowAuthSvc.IRowAuth:
//   Init(connectionString, userId)  opens the database; raises when it cannot.
//   GetAuthString(table)  the user's grant on the archive table (TarnRowAuth; user and table
//                         compared with ASCII case and trailing blanks ignored): "" for all
//                         rows, "1=2" for none (also without a grant), else a subquery giving
//                         the listed keys, to be placed in "key in (…)".
automation::ObjectRef makeRowAuthorisationProvider();

// TarnUtil.IUtil (its database: see tarnvelloc/erp/components.h):
//   Init(connectionString)  names the database for this object; raises when it cannot be opened.
//   GetJoinTableStr(table)  the table's join text (TarnJoinTable), else the table name itself.
//   GetResString(key)       the resource text (TarnResString), else the key itself, so that a
//                           missing resource shows in the caption rather than vanishing.
automation::ObjectRef makeUtilityProvider();

}  // namespace tarn::erp::providers
