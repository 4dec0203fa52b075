// What a database's catalogue says about its own tables, for a host that checks a name before it
// hands the name to the component (which puts such names into SQL as they stand).
#pragma once

#include <string_view>

namespace tarn::erp {

// True when the database `connectionString` names holds a table called `table`, compared as the
// ERP compares its keys (letter case and trailing blanks ignored). The name travels as a bound
// parameter. Raises AutomationError (kComponentFailure) with the database's own message when the
// database cannot be read.
bool hasTable(std::u16string_view connectionString, std::u16string_view table);

}  // namespace tarn::erp
