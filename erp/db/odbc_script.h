// Splits a script into the statements an ODBC driver runs one at a time. A ';' ends a statement
// only where it is SQL: never inside a string literal, a quoted or bracketed name, a comment, a
// dollar-quoted body ($$…$$ or $tag$…$tag$) or the BEGIN … END body of a CREATE statement (a
// trigger), where CASE … END nests. Statements come back without their ';' and without
// surrounding blanks; those holding only blanks and comments are left out.
#pragma once

#include <string_view>
#include <vector>

namespace tarn::erp::db::odbc {

std::vector<std::u16string_view> splitScript(std::u16string_view script);

}  // namespace tarn::erp::db::odbc
