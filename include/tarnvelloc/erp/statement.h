// Running the SQL a reference method returned, as an ERP screen does with its own connection:
// the statement is written in SQL Server dialect and adapted to the database the connection
// string names (the same adaptation the outside components use).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/variant.h"

namespace tarn::erp {

// The rows of a statement: column names, and one Variant per column and row (Null, Long,
// Double or String).
struct ResultSet {
  std::vector<std::u16string> columns;
  std::vector<std::vector<automation::Variant>> rows;
};

// True when `connectionString` is a well-formed ADO-style list of key=value pairs.
bool isWellFormedConnectionString(std::u16string_view connectionString);

// Opens the existing database `connectionString` names, runs one statement and gives its rows.
// Raises AutomationError (kComponentFailure) with the database's own message on any failure.
ResultSet runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText);

}  // namespace tarn::erp
