#include <array>
#include <memory>
#include <optional>
#include <string>

#include "erp/providers/default_connection.h"
#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/error.h"

namespace tarn::erp::providers {
namespace {

using automation::Argument;
using automation::Variant;

constexpr std::u16string_view kJoinText =
    u"select cJoinText from TarnJoinTable where cTableName = ?";
constexpr std::u16string_view kResourceText = u"select cText from TarnResString where cKey = ?";

class UtilityProvider : public automation::DispatchObject {
 public:
  UtilityProvider() {
    declare({
        automation::method(u"Init", 1, [this](auto args) { return init(args); }),
        automation::method(u"GetJoinTableStr", 1,
                           [this](auto args) { return lookUp(kJoinText, args); }),
        automation::method(u"GetResString", 1,
                           [this](auto args) { return lookUp(kResourceText, args); }),
    });
  }

 private:
  Variant init(std::span<Argument> args) {
    own_.reset();
    database_.reset();
    const auto connection = args[0].value().toString();
    database_ = joinDatabase(connection, ProviderKind::kUtility);
    own_ = connection;
    openConnection_ = connection;
    return {};
  }

  // The text stored for the argument, or the argument itself when nothing is stored.
  Variant lookUp(std::u16string_view query, std::span<Argument> args) {
    const auto name = args[0].value().toString();
    const std::array<Variant, 1> parameters{Variant(name)};
    const auto found = database().queryNative(query, parameters);
    if (found.rows.empty() || found.rows[0][0].isNull()) return Variant(name);
    return Variant(found.rows[0][0].toString());
  }

  // Follows the default connection as it changes; the open database is kept while it stays.
  db::Database& database() {
    if (own_) return requireDatabase(database_, "TarnUtil.IUtil");
    const auto connection = defaultConnection();
    if (!connection) {
      automation::raise(automation::ErrorCode::kComponentFailure,
                        "TarnUtil.IUtil has no database: no Init, no default connection");
    }
    if (!database_ || *connection != openConnection_) {
      database_.reset();
      database_ = joinDatabase(*connection, ProviderKind::kUtility);
      openConnection_ = *connection;
    }
    return requireDatabase(database_, "TarnUtil.IUtil");
  }

  std::optional<std::u16string> own_;
  std::u16string openConnection_;
  SharedDatabase database_;
};

}  // namespace

automation::ObjectRef makeUtilityProvider() { return std::make_shared<UtilityProvider>(); }

}  // namespace tarn::erp::providers
