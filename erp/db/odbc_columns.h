// The columns of a result as the ODBC backend reads them: each column's name and how its values
// are read, learnt without a question to the database's catalogue.
#pragma once

#include <string>
#include <vector>

#include "erp/db/odbc_api.h"
#include "erp/db/odbc_handles.h"
#include "erp/db/odbc_text.h"

namespace tarn::erp::db::odbc {

// How a column's values are read.
enum class ColumnKind { kText, kWhole, kFloating, kDecimal, kBinary };

struct Column {
  std::u16string name;
  ColumnKind kind;
};

// The `count` columns of the result `statement` holds. Only the name is asked of SQLDescribeCol
// and only the type of SQLColAttribute (SQL_DESC_TYPE, which gives date and time types as
// SQL_DATETIME: text all the same), with the local type name for a column of text: psqlODBC
// answers these from the result's description, but sends the catalogue a question for the
// column's table, a round trip per table, when asked for the concise type, the type name or
// whether the column takes nulls. Raises kComponentFailure with the driver's diagnostics.
std::vector<Column> describeColumns(const Handle& statement, SQLSMALLINT count,
                                    TextEncoding encoding, const Secrets& secrets);

}  // namespace tarn::erp::db::odbc
