#include "tarnvelloc/erp/components.h"

#include "erp/objects/ado_connection.h"
#include "erp/providers/default_connection.h"
#include "erp/providers/provider_database.h"
#include "erp/providers/provider_objects.h"

namespace tarn::erp {
namespace {

using automation::Guid;

// Class ids of the outside components; fixed, so that hosts may record them.
constexpr Guid kArchiveDataClass{
    0x5A1E0D01, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x01}};
constexpr Guid kVoucherDataClass{
    0x5A1E0D02, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x02}};
constexpr Guid kColumnSettingsClass{
    0x5A1E0D03, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x03}};
constexpr Guid kRowAuthorisationClass{
    0x5A1E0D04, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x04}};
constexpr Guid kUtilityClass{
    0x5A1E0D05, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x05}};
constexpr Guid kConnectionClass{
    0x5A1E0D06, 0x7C3B, 0x4E21, {0x9A, 0x10, 0x3D, 0x42, 0x11, 0x7E, 0x00, 0x06}};

}  // namespace

void registerComponents(automation::ComponentRegistry& registry) {
  registry.registerClass(u"TarnDataSvc.IDataSvc", kArchiveDataClass,
                         providers::makeArchiveDataProvider);
  registry.registerClass(u"TarnVoucherSvc.IVoucherSvc", kVoucherDataClass,
                         providers::makeVoucherDataProvider);
  // One class under both ProgIDs: the earlier revision of the component uses the second.
  registry.registerClass(u"TarnColumnSvc.IColumnSvc", kColumnSettingsClass,
                         providers::makeColumnSettingsProvider);
  registry.registerClass(u"TarnColSetSvc.IColumnSvc", kColumnSettingsClass,
                         providers::makeColumnSettingsProvider);
  registry.registerClass(u"TarnRowAuthSvc.IRowAuth", kRowAuthorisationClass,
                         providers::makeRowAuthorisationProvider);
  registry.registerClass(u"TarnUtil.IUtil", kUtilityClass, providers::makeUtilityProvider);
  registry.registerClass(u"ADODB.Connection", kConnectionClass, makeAdoConnection);
}

ReadTogether::ReadTogether() { providers::beginReadingTogether(); }

ReadTogether::~ReadTogether() { providers::endReadingTogether(); }

void setDefaultConnection(std::u16string connectionString) {
  providers::setHostDefaultConnection(std::move(connectionString));
}

}  // namespace tarn::erp
