// What a database's catalogue and voucher definitions say about the names a request carries, for
// a host that checks a name before it hands it to the component (which puts such names into SQL
// as they stand). Names are compared as the ERP compares its keys (letter case and trailing
// blanks ignored) and always travel as bound parameters, never inside the statement's text.
// Every function raises AutomationError (kComponentFailure) with the database's own message when
// the database cannot be read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarn::erp {

// True when the database `connectionString` names holds a table called `table`.
bool hasTable(std::u16string_view connectionString, std::u16string_view table);

// True when that database's table `table` has a column called `column`.
bool hasColumn(std::u16string_view connectionString, std::u16string_view table,
               std::u16string_view column);

// The table whose rows the voucher card `cardNumber` offers (Vouchers.BTTblName), when the
// Vouchers table holds that card; nothing when it does not. A card whose table is not named
// gives the empty string.
std::optional<std::u16string> voucherTable(std::u16string_view connectionString,
                                           std::u16string_view cardNumber);

}  // namespace tarn::erp
