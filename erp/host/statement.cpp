#include "tarnvelloc/erp/statement.h"

#include <algorithm>

#include "erp/db/connection_string.h"
#include "erp/db/open_database.h"
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
  ResultSet all = runStatement(connectionString, sqlServerText);
  WindowedResult result{ResultSet{std::move(all.columns), {}}, all.rows.size()};
  const std::size_t first = std::min(window.offset, all.rows.size());
  const std::size_t last = first + std::min(window.limit, all.rows.size() - first);
  result.rows.rows.assign(std::make_move_iterator(all.rows.begin() + first),
                          std::make_move_iterator(all.rows.begin() + last));
  return result;
}

}  // namespace tarn::erp
