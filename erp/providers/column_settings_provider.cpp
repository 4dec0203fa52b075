#include <memory>

#include "erp/db/bounded_cache.h"
#include "erp/providers/column_info.h"
#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"
#include "erp/record_set_object.h"
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
    database_.reset();
    database_ = db::openDatabase(args[0].value().toString());
    layoutsVersion_ = database_->dataVersion();
    return {};
  }

  Variant columnInfo(std::span<Argument> args) { return Variant(layout(args).info); }

  Variant columnSet(std::span<Argument> args) {
    db::ResultSet rows{{u"cCaption", u"cField", u"iWidth"}, {}};
    for (const auto& column : layout(args).columns) {
      rows.rows.push_back(
          {Variant(column.caption), Variant(column.expression), Variant(column.width)});
    }
    return Variant(makeRecordSetObject(std::move(rows)));
  }

  // The layout named by the first argument, read from the database when it is not kept or the
  // database changed since it was read.
  const Layout& layout(std::span<Argument> args) {
    auto& database = requireDatabase(database_, kName);
    if (const auto version = database.dataVersion(); version != layoutsVersion_) {
      layouts_.clear();
      layoutsVersion_ = version;
    }
    const std::u16string key = args[0].value().toString();
    if (const Layout* kept = layouts_.find(key)) return *kept;
    auto columns = readColumnLayout(database, key);
    auto info = formatColumnInfo(key, columns);
    return layouts_.insert(key, Layout{std::move(columns), std::move(info)});
  }

  // The columns an information text describes.
  const std::vector<LayoutColumn>& read(std::span<Argument> args) {
    const std::u16string info = args[0].value().toString();
    if (const auto* kept = readInfos_.find(info)) return *kept;
    auto columns = parseColumnInfo(info);
    return readInfos_.insert(info, std::move(columns));
  }

  std::unique_ptr<db::Database> database_;
  db::BoundedCache<Layout> layouts_{kCachedLayouts};
  std::uint64_t layoutsVersion_ = 0;
  db::BoundedCache<std::vector<LayoutColumn>> readInfos_{kCachedLayouts};
};

}  // namespace

automation::ObjectRef makeColumnSettingsProvider() {
  return std::make_shared<ColumnSettingsProvider>();
}

}  // namespace tarn::erp::providers
