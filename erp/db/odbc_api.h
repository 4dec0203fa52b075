// The ODBC C API as the ODBC backend's own files include it (unixODBC on Linux, odbc32 on
// Windows, where the SQL headers need <windows.h> first). Included by no header outside
// erp/db/odbc_*.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

namespace tarn::erp::db::odbc {

// SQLWCHAR is one UTF-16 code unit on unixODBC and on Windows, so std::u16string carries wide
// ODBC text as it stands.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

inline SQLWCHAR* wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }
inline SQLWCHAR* wide(std::u16string_view text) {
  return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(text.data()));
}
inline SQLCHAR* narrow(std::string& text) { return reinterpret_cast<SQLCHAR*>(text.data()); }

inline bool succeeded(SQLRETURN code) {
  return code == SQL_SUCCESS || code == SQL_SUCCESS_WITH_INFO;
}

}  // namespace tarn::erp::db::odbc
