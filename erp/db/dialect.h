// Adapts a statement written in SQL Server dialect (as the component writes it) to SQLite. The
// rewrite works on tokens (sql_tokens.h), so string literals, quoted identifiers and comments are
// never changed by accident:
//   - N'...' becomes '...' (SQLite text is Unicode already);
//   - [name] becomes "name" (']]' inside stands for ']', a '"' inside is doubled);
//   - `select [distinct|all] top N ...` (N a whole number, possibly in parentheses) loses its
//     `top N` and gets ` limit N` after the last token of that statement, after any ORDER BY.
//     Only the first select of each statement outside parentheses is adapted; `top N percent`
//     and `top N with ties` have no SQLite equivalent and are left as they are.
// Everything else passes through unchanged. The catalogue views (sysobjects, syscolumns,
// systypes) need no rewrite: the SQLite backend creates them on every connection.
#pragma once

#include <string>
#include <string_view>

namespace tarn::erp::db {

std::u16string adaptToSqlite(std::u16string_view sqlServerText);

}  // namespace tarn::erp::db
