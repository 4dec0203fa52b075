// The archive and voucher data services: one class, the voucher one offering GetFieldNames too.
#include <memory>

#include "erp/objects/record_set_object.h"
#include "erp/providers/default_connection.h"
#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"
#include "erp/providers/userdefine_archive.h"
#include "erp/providers/voucher_field_list.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/diagnostics.h"

namespace tarn::erp::providers {
namespace {

using automation::Argument;
using automation::Variant;

class DataProvider : public automation::DispatchObject {
 public:
  DataProvider(std::string_view name, ProviderKind kind, bool offersFieldNames)
      : name_(name), kind_(kind) {
    std::vector<automation::Operation> operations{
        automation::method(u"Init", 1, [this](auto args) { return init(args); }),
        automation::property(u"Status", [this] { return Variant(database_ != nullptr); }),
        automation::method(u"OpenX", 1, 3, [this](auto args) { return openX(args); }),
        automation::method(u"Add", 3, [this](auto args) { return add(args); }),
    };
    if (offersFieldNames) {
      operations.push_back(
          automation::method(u"GetFieldNames", 3, [this](auto args) { return fieldNames(args); }));
    }
    declare(std::move(operations));
  }

 private:
  Variant init(std::span<Argument> args) {
    database_.reset();
    try {
      const auto connection = args[0].value().toString();
      database_ = joinDatabase(connection, kind_);
      noteDataServiceConnection(connection);
    } catch (const std::exception&) {
      // Readiness is reported through Status, as callers expect of a data service; the host
      // hears why through the diagnostic channel, where the failed open is recorded.
    }
    return {};
  }

  Variant openX(std::span<Argument> args) {
    auto& database = requireDatabase(database_, name_);
    const Variant& sql = args[0].value();
    // The statement is read where it lies when it is text, as it nearly always is.
    if (const std::u16string* text = sql.stringIf()) {
      return Variant(makeRecordSetObject(database.query(*text)));
    }
    return Variant(makeRecordSetObject(database.query(sql.toString())));
  }

  // Add never raises: its reason for answering false goes to `message` and, unless the
  // database already recorded it, to the host's diagnostic channel.
  Variant add(std::span<Argument> args) {
    const std::size_t recordedBefore = databaseFailureCount();
    try {
      archiveUserDefineRecord(requireDatabase(database_, name_, Access::kWrite),
                              args[0].value().toString(), args[1].value().toString());
    } catch (const std::exception& failure) {
      if (databaseFailureCount() == recordedBefore) recordDatabaseFailure(u"Add", failure);
      args[2].value() = Variant(automation::fromUtf8(failure.what()));
      return Variant(false);
    }
    args[2].value() = Variant(std::u16string());
    return Variant(true);
  }

  Variant fieldNames(std::span<Argument> args) {
    auto& database = requireDatabase(database_, name_);
    return Variant(makeRecordSetObject(voucherFieldList(database, args[0].value().toString())));
  }

  std::string name_;
  ProviderKind kind_;
  SharedDatabase database_;
};

}  // namespace

automation::ObjectRef makeArchiveDataProvider() {
  return std::make_shared<DataProvider>("TarnDataSvc.IDataSvc", ProviderKind::kArchiveData, false);
}

automation::ObjectRef makeVoucherDataProvider() {
  return std::make_shared<DataProvider>("TarnVoucherSvc.IVoucherSvc", ProviderKind::kVoucherData,
                                        true);
}

}  // namespace tarn::erp::providers
