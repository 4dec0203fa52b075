// The SQL Server catalogue views the component queries (sysobjects, syscolumns, systypes), made
// for SQLite as virtual tables of one connection. They always describe the current schema of the
// main database, and they answer the component's money-column question (one table by name, its
// columns by id, their types by id) with lookups rather than a walk over every table:
//
//   sysobjects (id, name, xtype, type): tables are 'U', views 'V', SQLite's own tables 'S'; id is
//     the object's rowid in sqlite_master.
//   syscolumns (id, name, colid, xtype, xusertype, isnullable): xtype and xusertype are the
//     systypes id of the declared type's base name ("decimal(18, 2)" is decimal); a declared
//     type that is no SQL Server type gives Null.
//   systypes (name, xtype, xusertype): SQL Server's built-in types with their usual ids.
//
// Names and xtype letters use the ERP_CI collation, so they compare the way SQL Server compares
// them: 'u' finds user tables and 'CUSTOMER' finds the table customer.
//
// What the tables read is kept between statements and read again when the schema version of
// the database changes, whichever connection changed it.
#pragma once

#include <memory>

struct sqlite3;

namespace tarn::erp::db {

// Owns what the tables of one connection keep.
class Catalogue {
 public:
  virtual ~Catalogue() = default;
};

// Registers the three tables on `db`, which must have the ERP_CI collation already. The
// connection must be closed only after the catalogue is destroyed: the catalogue holds
// statements of that connection. Raises kComponentFailure when SQLite refuses the tables.
std::unique_ptr<Catalogue> attachCatalogue(sqlite3* db);

}  // namespace tarn::erp::db
