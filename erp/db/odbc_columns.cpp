#include "erp/db/odbc_columns.h"

#include <algorithm>
#include <string_view>

#include "tarnvelloc/automation/text.h"

namespace tarn::erp::db::odbc {
namespace {

ColumnKind kindOf(SQLSMALLINT type) {
  switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return ColumnKind::kWhole;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ColumnKind::kFloating;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return ColumnKind::kDecimal;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ColumnKind::kBinary;
    default:
      return ColumnKind::kText;
  }
}

// A text attribute of a result column; empty when the driver has none.
std::u16string columnText(const Handle& statement, SQLUSMALLINT number, SQLUSMALLINT attribute) {
  std::u16string text(128, u'\0');
  SQLSMALLINT bytes = 0;
  const SQLRETURN code =
      SQLColAttributeW(statement.get(), number, attribute, wide(text),
                       static_cast<SQLSMALLINT>(text.size() * sizeof(char16_t)), &bytes, nullptr);
  if (!succeeded(code)) return {};
  text.resize(std::min(text.size() - 1, static_cast<std::size_t>(bytes) / sizeof(char16_t)));
  return text;
}

// The type a column was declared with, as the driver names it. The driver's local name comes
// first: psqlODBC answers it from the result's description, whereas the plain type name sends
// it to the catalogue. A driver without local names (SQLite's) answers the plain one from what
// it holds.
std::u16string typeName(const Handle& statement, SQLUSMALLINT number) {
  std::u16string name = columnText(statement, number, SQL_DESC_LOCAL_TYPE_NAME);
  return name.empty() ? columnText(statement, number, SQL_DESC_TYPE_NAME) : name;
}

// SQLite's driver reports a column declared money, decimal or numeric as text; its values are
// numbers all the same, and the SQLite backend gives them as numbers.
bool isDecimalTypeName(std::u16string_view name) {
  const std::u16string lower = automation::asciiLower(name);
  for (const std::u16string_view prefix : {u"money", u"smallmoney", u"decimal", u"numeric"}) {
    if (lower.starts_with(prefix)) return true;
  }
  return false;
}

std::u16string columnName(const Handle& statement, SQLUSMALLINT number, TextEncoding encoding,
                          const Secrets& secrets) {
  SQLSMALLINT length = 0;
  if (encoding == TextEncoding::kWide) {
    std::u16string name(256, u'\0');
    check(
        SQLDescribeColW(statement.get(), number, wide(name), static_cast<SQLSMALLINT>(name.size()),
                        &length, nullptr, nullptr, nullptr, nullptr),
        statement, encoding, secrets);
    name.resize(std::min(name.size() - 1, static_cast<std::size_t>(length)));
    return name;
  }
  std::string utf8(768, '\0');
  check(SQLDescribeCol(statement.get(), number, narrow(utf8), static_cast<SQLSMALLINT>(utf8.size()),
                       &length, nullptr, nullptr, nullptr, nullptr),
        statement, encoding, secrets);
  utf8.resize(std::min(utf8.size() - 1, static_cast<std::size_t>(length)));
  return automation::fromUtf8(utf8);
}

}  // namespace

std::vector<Column> describeColumns(const Handle& statement, SQLSMALLINT count,
                                    TextEncoding encoding, const Secrets& secrets) {
  std::vector<Column> columns;
  for (SQLUSMALLINT number = 1; number <= static_cast<SQLUSMALLINT>(count); ++number) {
    std::u16string name = columnName(statement, number, encoding, secrets);
    SQLLEN type = 0;
    check(SQLColAttributeW(statement.get(), number, SQL_DESC_TYPE, nullptr, 0, nullptr, &type),
          statement, encoding, secrets);
    ColumnKind kind = kindOf(static_cast<SQLSMALLINT>(type));
    if (kind == ColumnKind::kText && isDecimalTypeName(typeName(statement, number))) {
      kind = ColumnKind::kDecimal;
    }
    columns.push_back({std::move(name), kind});
  }
  return columns;
}

}  // namespace tarn::erp::db::odbc
