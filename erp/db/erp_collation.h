// The parts of SQL Server's default case-insensitive comparison that the ERP's keys rely on, for
// backends that do not have it: ASCII letters compare without case, and the shorter text compares
// as if padded with blanks (U+0020), so trailing blanks never make two texts differ. Every other
// character compares by its code point (letters beyond ASCII keep their case). The SQLite backend
// registers it under kErpCollationName on every connection, over UTF-8 (the encoding SQLite stores,
// so index searches convert nothing); the schema declares its text columns with it.
#pragma once

#include <string_view>

namespace tarn::erp::db {

inline constexpr char kErpCollationName[] = "ERP_CI";

// Negative, zero or positive as UTF-8 text `a` sorts before, with or after `b` (UTF-8 byte order
// is code point order).
int compareErpCi(std::string_view a, std::string_view b);

}  // namespace tarn::erp::db
