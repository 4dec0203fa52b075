#include <memory>
#include <optional>

#include "erp/db/bounded_cache.h"
#include "erp/objects/record_set_object.h"
#include "erp/providers/column_info.h"
#include "erp/providers/default_layout.h"
#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"
#include "tarnvelloc/automation/dispatch_object.h"

namespace tarn::erp::providers {
namespace {

using automation::Argument;
using automation::Variant;

constexpr std::string_view kName = "TarnColumnSvc.IColumnSvc";
// Far more than the layouts one screen uses.
constexpr std::size_t kCachedLayouts = 64;

// A layout as the service hands it out: its columns as stored, and its column information text.
struct Layout {
  std::vector<LayoutColumn> columns;
  std::u16string info;
};

// A reference call asks for a layout's information text, reads its select and order-by lists
// from that text, then asks for the layout's column set. Layouts are kept per key while the
// database reports no change (Database::dataVersion: a change by any connection drops them
// all), and the lists of an information text are kept per text (the text alone decides them).
// The column set asked for right after the information text of the same key is the column set
// of the layout that text describes, so the two always agree and the database is asked once.
// A key without stored columns has its default layout (default_layout.h).
class ColumnSettingsProvider : public automation::DispatchObject {
 public:
  ColumnSettingsProvider() {
    declare({
        automation::method(u"Init", 2, [this](auto args) { return init(args); }),
        automation::method(u"getColInfo", 2, [this](auto args) { return columnInfo(args); }),
        automation::method(u"GetSqlString", 1,
                           [this](auto args) { return Variant(selectListOf(read(args))); }),
        automation::method(u"GetOrderString", 1,
                           [this](auto args) { return Variant(orderListOf(read(args))); }),
        automation::method(u"getColSet", 2, [this](auto args) { return columnSet(args); }),
    });
  }

 private:
  Variant init(std::span<Argument> args) {
    layouts_.clear();
    describedKey_.reset();
    database_.reset();
    database_ = joinDatabase(args[0].value().toString(), ProviderKind::kColumnSettings);
    layoutsVersion_ = database_->dataVersion();
    return {};
  }

  Variant columnInfo(std::span<Argument> args) {
    const std::u16string key = args[0].value().toString();
    describedKey_.reset();
    Variant info(layout(key, true).info);
    describedKey_ = key;
    return info;
  }

  Variant columnSet(std::span<Argument> args) {
    const std::u16string key = args[0].value().toString();
    const bool described = describedKey_ == key;
    describedKey_.reset();
    db::ResultSet rows{{u"cCaption", u"cField", u"iWidth"}, {}};
    for (const auto& column : layout(key, !described).columns) {
      rows.rows.push_back(
          {Variant(column.caption), Variant(column.expression), Variant(column.width)});
    }
    return Variant(makeRecordSetObject(std::move(rows)));
  }

  // The layout `key`, read from the database when it is not kept or, when `checkForChanges`,
  // the database changed since it was read.
  const Layout& layout(const std::u16string& key, bool checkForChanges) {
    auto& database = requireDatabase(database_, kName);
    if (checkForChanges) {
      if (const auto version = database.dataVersion(); version != layoutsVersion_) {
        layouts_.clear();
        layoutsVersion_ = version;
      }
    }
    if (const Layout* kept = layouts_.find(key)) return *kept;
    auto columns = readColumnLayout(database, key);
    if (columns.empty()) columns = defaultColumnLayout(database, key);
    auto info = formatColumnInfo(key, columns);
    return layouts_.insert(key, Layout{std::move(columns), std::move(info)});
  }

  // The columns an information text describes.
  const std::vector<LayoutColumn>& read(std::span<Argument> args) {
    const Variant& info = args[0].value();
    if (const auto* text = info.stringIf()) {
      if (const auto* kept = readInfos_.find(*text)) return *kept;
    }
    std::u16string text = info.toString();
    auto columns = parseColumnInfo(text);
    return readInfos_.insert(std::move(text), std::move(columns));
  }

  SharedDatabase database_;
  db::BoundedCache<Layout> layouts_{kCachedLayouts};
  std::uint64_t layoutsVersion_ = 0;
  std::optional<std::u16string> describedKey_;  // the key whose information text went out last
  db::BoundedCache<std::vector<LayoutColumn>> readInfos_{kCachedLayouts};
};

}  // namespace

automation::ObjectRef makeColumnSettingsProvider() {
  return std::make_shared<ColumnSettingsProvider>();
}

}  // namespace tarn::erp::providers
