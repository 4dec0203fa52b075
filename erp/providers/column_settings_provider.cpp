#include <memory>

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

class ColumnSettingsProvider : public automation::DispatchObject {
 public:
  ColumnSettingsProvider() {
    declare({
        automation::method(u"Init", 2, [this](auto args) { return init(args); }),
        automation::method(u"getColInfo", 2, [this](auto args) { return columnInfo(args); }),
        automation::method(u"GetSqlString", 1,
                           [](auto args) {
                             return Variant(
                                 selectListOf(parseColumnInfo(args[0].value().toString())));
                           }),
        automation::method(u"GetOrderString", 1,
                           [](auto args) {
                             return Variant(
                                 orderListOf(parseColumnInfo(args[0].value().toString())));
                           }),
        automation::method(u"getColSet", 2, [this](auto args) { return columnSet(args); }),
    });
  }

 private:
  Variant init(std::span<Argument> args) {
    database_.reset();
    database_ = db::openDatabase(args[0].value().toString());
    return {};
  }

  Variant columnInfo(std::span<Argument> args) {
    const auto key = args[0].value().toString();
    return Variant(formatColumnInfo(key, readColumnLayout(requireDatabase(database_, kName), key)));
  }

  Variant columnSet(std::span<Argument> args) {
    const auto key = args[0].value().toString();
    db::ResultSet rows{{u"cCaption", u"cField", u"iWidth"}, {}};
    for (const auto& column : readColumnLayout(requireDatabase(database_, kName), key)) {
      rows.rows.push_back(
          {Variant(column.caption), Variant(column.expression), Variant(column.width)});
    }
    return Variant(makeRecordSetObject(std::move(rows)));
  }

  std::unique_ptr<db::Database> database_;
};

}  // namespace

automation::ObjectRef makeColumnSettingsProvider() {
  return std::make_shared<ColumnSettingsProvider>();
}

}  // namespace tarn::erp::providers
