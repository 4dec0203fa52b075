#include <array>
#include <memory>
#include <string>

#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"
#include "tarnvelloc/automation/dispatch_object.h"
#include "tarnvelloc/automation/text.h"

namespace tarn::erp::providers {
namespace {

using automation::Argument;
using automation::Variant;

constexpr std::string_view kName = "TarnRowAuthSvc.IRowAuth";
// The answer that lets the user see no row of the table.
constexpr std::u16string_view kNoRows = u"1=2";
// cTableName and cUserId compare with ERP_CI: ASCII case and trailing blanks are ignored, so
// "Customer " finds the grant on customer.
constexpr std::u16string_view kGrant =
    u"select iGrantId, cAccess from TarnRowAuth where cUserId = ? and cTableName = ?";

// The grant is named by its id, so that neither the user id nor the table name has to be quoted
// into the caller's SQL. cKey converts to a number when the key column is an integer.
std::u16string listedKeys(std::int32_t grantId) {
  return u"select cKey from TarnRowAuthKey where iGrantId = " +
         automation::fromUtf8(std::to_string(grantId));
}

class RowAuthorisationProvider : public automation::DispatchObject {
 public:
  RowAuthorisationProvider() {
    declare({
        automation::method(u"Init", 2, [this](auto args) { return init(args); }),
        automation::method(u"GetAuthString", 1, [this](auto args) { return answer(args); }),
    });
  }

 private:
  Variant init(std::span<Argument> args) {
    database_.reset();
    const auto connection = args[0].value().toString();
    userId_ = args[1].value().toString();
    database_ = joinDatabase(connection, ProviderKind::kRowAuthorisation);
    return {};
  }

  Variant answer(std::span<Argument> args) {
    const std::array<Variant, 2> parameters{Variant(userId_), args[0].value().toString()};
    const auto grant = requireDatabase(database_, kName).queryNative(kGrant, parameters);
    // Fails closed: a user without a grant on the table sees none of its rows.
    if (grant.rows.empty()) return Variant(std::u16string(kNoRows));
    const auto access = grant.rows[0][1].toString();
    if (automation::equalsIgnoringAsciiCase(access, u"all")) return Variant(std::u16string());
    if (automation::equalsIgnoringAsciiCase(access, u"listed")) {
      return Variant(listedKeys(grant.rows[0][0].toLong()));
    }
    return Variant(std::u16string(kNoRows));
  }

  SharedDatabase database_;
  std::u16string userId_;
};

}  // namespace

automation::ObjectRef makeRowAuthorisationProvider() {
  return std::make_shared<RowAuthorisationProvider>();
}

}  // namespace tarn::erp::providers
