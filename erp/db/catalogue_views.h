// The SQL Server catalogue views the component queries (sysobjects, syscolumns, systypes), made
// for SQLite as temporary views over main.sqlite_master and pragma_table_info. They exist only on
// the connection that creates them and always describe the current schema.
//
//   sysobjects (id, name, xtype, type): tables are 'U', views 'V', SQLite's own tables 'S'.
//   syscolumns (id, name, colid, xtype, xusertype, isnullable): xtype and xusertype are the
//     systypes id of the declared type's base name ("decimal(18, 2)" is decimal); a declared
//     type that is no SQL Server type gives Null.
//   systypes (name, xtype, xusertype): SQL Server's built-in types with their usual ids.
//
// Names and xtype letters use the ERP_CI collation, so they compare the way SQL Server compares
// them: 'u' finds user tables and 'CUSTOMER' finds the table customer.
#pragma once

#include <string_view>

namespace tarn::erp::db {

// A script of SQLite statements creating the three views; needs the ERP_CI collation.
std::u16string_view catalogueViewsScript();

}  // namespace tarn::erp::db
