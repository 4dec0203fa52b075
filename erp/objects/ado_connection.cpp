#include "erp/objects/ado_connection.h"

#include <algorithm>
#include <memory>

#include "erp/db/open_database.h"
#include "erp/objects/record_set_object.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp {
namespace {

using automation::Argument;
using automation::ErrorCode;
using automation::method;
using automation::property;
using automation::raise;
using automation::Variant;

class AdoConnection : public automation::DispatchObject {
 public:
  AdoConnection() {
    declare({
        method(u"Open", 1, 4, [this](std::span<Argument> args) { return open(args); }),
        method(u"Execute", 1, 3, [this](std::span<Argument> args) { return execute(args); }),
        method(u"Close", 0,
               [this](std::span<Argument>) {
                 requireOpen();
                 database_.reset();
                 return Variant();
               }),
        property(u"State", [this] { return Variant(std::int32_t{database_ ? 1 : 0}); }),
    });
  }

 private:
  void requireOpen() const {
    if (!database_) raise(ErrorCode::kComponentFailure, "the connection is not open");
  }

  Variant open(std::span<Argument> args) {
    if (database_) raise(ErrorCode::kComponentFailure, "the connection is already open");
    database_ = db::openDatabase(args[0].value().toString());
    return Variant();
  }

  Variant execute(std::span<Argument> args) {
    requireOpen();
    db::ResultSet rows = database_->query(args[0].value().toString());
    if (args.size() >= 2 && args[1].isByRef()) {
      const std::int64_t changed = database_->rowsChanged();
      args[1].value() = Variant(
          static_cast<std::int32_t>(std::clamp<std::int64_t>(changed, INT32_MIN, INT32_MAX)));
    }
    return Variant(makeRecordSetObject(std::move(rows)));
  }

  std::unique_ptr<db::Database> database_;
};

}  // namespace

automation::ObjectRef makeAdoConnection() { return std::make_shared<AdoConnection>(); }

}  // namespace tarn::erp
