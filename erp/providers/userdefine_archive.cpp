#include "erp/providers/userdefine_archive.h"

#include <array>

#include "erp/db/transaction.h"
#include "erp/providers/archive_record.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::providers {
namespace {

using automation::ErrorCode;
using automation::Variant;

constexpr std::u16string_view kItemExists = u"select 1 from UserDef where cID = ?";
// A value archived already, by this connection or by another one at the same moment, stays the
// one row of its (cID, cValue) key. SQLite and PostgreSQL both read this text.
constexpr std::u16string_view kInsertValue =
    u"insert into UserDefine (cID, cValue) values (?, ?) on conflict do nothing";

}  // namespace

void archiveUserDefineRecord(db::Database& database, std::u16string_view record,
                             std::u16string_view archiveName) {
  if (!automation::equalsIgnoringAsciiCase(archiveName, u"UserDefine")) {
    automation::raise(ErrorCode::kComponentFailure,
                      "unknown archive: " + automation::toUtf8(archiveName));
  }
  const ArchiveRecord entry = parseArchiveRecord(record);

  db::Transaction transaction(database);
  const std::array<Variant, 1> item{Variant(entry.itemId)};
  if (database.queryNative(kItemExists, item).rows.empty()) {
    automation::raise(ErrorCode::kComponentFailure,
                      "no item with cID " + automation::toUtf8(entry.itemId));
  }
  const std::array<Variant, 2> row{Variant(entry.itemId), Variant(entry.value)};
  database.queryNative(kInsertValue, row);
  transaction.commit();
}

}  // namespace tarn::erp::providers
