#include "tarnvelloc/erp/statement.h"

#include <algorithm>

#include "erp/db/catalogue_questions.h"
#include "erp/db/connection_string.h"
#include "erp/db/open_database.h"
#include "erp/providers/provider_database.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {

bool isWellFormedConnectionString(std::u16string_view connectionString) {
  return db::ConnectionString::parse(connectionString).has_value();
}

std::string describeDatabase(std::u16string_view connectionString) {
  const auto connection = db::ConnectionString::parse(connectionString);
  if (!connection) return {};
  std::string description;
  for (const auto* key : {u"Data Source", u"DataSource", u"Server", u"DSN"}) {
    if (auto value = connection->get(key); value && !value->empty()) {
      description = automation::toUtf8(*value);
      break;
    }
  }
  for (const auto* key : {u"Initial Catalog", u"Database"}) {
    if (auto value = connection->get(key); value && !value->empty()) {
      const std::string database = automation::toUtf8(*value);
      description = description.empty() ? database : description + "/" + database;
      break;
    }
  }
  return description;
}

ResultSet runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText) {
  return db::openDatabase(connectionString)->query(sqlServerText);
}

WindowedResult runStatement(std::u16string_view connectionString, std::u16string_view sqlServerText,
                            RowWindow window) {
  return db::openDatabase(connectionString)->queryWindow(sqlServerText, window);
}

HeldConnection::HeldConnection(std::u16string_view connectionString, Sharing sharing)
    : database_(db::openDatabase(connectionString)) {
  if (sharing == Sharing::kLentToComponent) providers::lendDatabase(connectionString, database_);
}
HeldConnection::~HeldConnection() = default;
HeldConnection::HeldConnection(HeldConnection&&) noexcept = default;
HeldConnection& HeldConnection::operator=(HeldConnection&&) noexcept = default;

ResultSet runStatement(HeldConnection& connection, std::u16string_view sqlServerText) {
  return connection.database().query(sqlServerText);
}

WindowedResult runStatement(HeldConnection& connection, std::u16string_view sqlServerText,
                            RowWindow window) {
  return connection.database().queryWindow(sqlServerText, window);
}

bool hasTable(HeldConnection& connection, std::u16string_view table) {
  return db::hasTable(connection.database(), table);
}

bool hasColumn(HeldConnection& connection, std::u16string_view table, std::u16string_view column) {
  return db::hasColumn(connection.database(), table, column);
}

bool hasReadableTable(HeldConnection& connection, std::u16string_view table) {
  const bool plain = !table.empty() && std::ranges::all_of(table, [](char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_';
  });
  if (plain) {
    try {
      // Written alike in every dialect; run as a script, it reads no rows and is recorded
      // nowhere when it fails.
      connection.database().executeScript(u"select count(*) from " + std::u16string(table) +
                                          u" where 1 = 0");
      return true;
    } catch (const automation::AutomationError&) {
    }
  }
  return hasTable(connection, table);
}

std::optional<std::u16string> voucherTable(HeldConnection& connection,
                                           std::u16string_view cardNumber) {
  return db::voucherTable(connection.database(), cardNumber);
}

}  // namespace tarn::erp
