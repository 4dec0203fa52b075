#include "session/catalogue_checks.h"

#include "session/database_failures.h"
#include "session/text_table.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/catalogue.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::session {
namespace {

std::string quoted(const std::u16string& name) {
  return "'" + printable(automation::toUtf8(name)) + "'";
}

// Each connection kind asks the same questions (tarnvelloc/erp/catalogue.h on a connection
// string, held_connection.h on a held connection).
template <typename Connection>
void checkColumn(Connection& connection, const std::u16string& table, const std::u16string& column,
                 const KeyNames& keys) {
  if (column.empty()) return;
  if (!onDatabase([&] { return erp::hasColumn(connection, table, column); })) {
    refuseUsage(keys.column + " " + quoted(column) + " is not a column of the table " +
                quoted(table));
  }
}

template <typename Connection>
void checkNames(Connection& connection, const ReferenceRequest& request, const KeyNames& keys) {
  if (request.source == velloc::kArchiveSource) {
    if (!onDatabase([&] { return erp::hasTable(connection, request.table); })) {
      refuseUsage("unknown archive table " + quoted(request.table) +
                  ": the database has no such table");
    }
    checkColumn(connection, request.table, request.column, keys);
  } else if (request.source == velloc::kVoucherSource) {
    const auto table = onDatabase([&] { return erp::voucherTable(connection, request.card); });
    if (!table) {
      refuseUsage(keys.card + " " + quoted(request.card) +
                  " is not a voucher card of the database");
    }
    checkColumn(connection, *table, request.column, keys);
  }
}

}  // namespace

void checkNamesAgainstCatalogue(const std::u16string& connection, const ReferenceRequest& request,
                                const KeyNames& keys) {
  checkNames(connection, request, keys);
}

// Declared for the doors in catalogue_checks.h once they hold their connections.
void checkNamesAgainstCatalogue(erp::HeldConnection& connection, const ReferenceRequest& request,
                                const KeyNames& keys) {
  checkNames(connection, request, keys);
}

}  // namespace tarn::session
