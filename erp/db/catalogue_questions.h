// What a host asks a database's catalogue and voucher definitions about a name a request
// carries, written once for every connection a host may ask on. Names are compared as the ERP
// compares its keys (letter case and trailing blanks ignored) and travel as bound parameters.
// A failure raises kComponentFailure with the database's own message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "erp/db/database.h"

namespace tarn::erp::db {

// True when the database holds a table called `table`.
bool hasTable(Database& database, std::u16string_view table);

// True when the database's table `table` has a column called `column`.
bool hasColumn(Database& database, std::u16string_view table, std::u16string_view column);

// The table the voucher card `cardNumber` offers (Vouchers.BTTblName); nothing when Vouchers
// holds no such card, "" when the card names no table.
std::optional<std::u16string> voucherTable(Database& database, std::u16string_view cardNumber);

}  // namespace tarn::erp::db
