// What the SQL Server catalogue views (sysobjects, syscolumns, systypes) show of a SQLite
// database, in one place for both ways they are offered: the embedded backend's virtual tables
// (catalogue_views.h), which answer by lookups, and the loadable extension
// (erp/sqlite_extension/), which gives other tools plain temporary views. Both use the type ids
// below and the same rules: tables are 'U', views 'V', SQLite's own tables 'S'; an object's id is
// its rowid in sqlite_master; a column's type is the systypes id of its declared type's name
// before any '(' (Null for a type SQL Server does not have); names compare as ERP_CI compares.
// Nothing here depends on SQLite's library.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tarn::erp::db {

struct SqlType {
  std::string_view name;
  int id;
};

// SQL Server's built-in types with their usual ids.
inline constexpr std::array<SqlType, 26> kSqlTypes{{
    {"image", 34},         {"text", 35},     {"uniqueidentifier", 36},
    {"date", 40},          {"time", 41},     {"datetime2", 42},
    {"tinyint", 48},       {"smallint", 52}, {"int", 56},
    {"smalldatetime", 58}, {"real", 59},     {"money", 60},
    {"datetime", 61},      {"float", 62},    {"ntext", 99},
    {"bit", 104},          {"decimal", 106}, {"numeric", 108},
    {"smallmoney", 122},   {"bigint", 127},  {"varbinary", 165},
    {"varchar", 167},      {"binary", 173},  {"char", 175},
    {"nvarchar", 231},     {"nchar", 239},
}};

// The script that creates the three catalogue views as temporary views of one connection, over
// the main database's schema. The connection must have the ERP_CI collation. Objects of the
// same names that exist already are left as they are.
std::string catalogueViewsScript();

}  // namespace tarn::erp::db
