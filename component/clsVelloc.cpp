#include "component/clsVelloc.h"

#include <atomic>

#include "component/prog_ids.h"
#include "services/outside_services.h"
#include "tarnvelloc/automation/factory.h"

namespace tarn::velloc {
namespace {

std::atomic<long> liveObjectCount{0};

// A data service is ready unless its Status reads false; a Null status counts as ready.
bool reportsNotReady(const automation::Variant& status) {
  return !status.isNull() && !status.toBoolean();
}

}  // namespace

using automation::CreateObject;

clsVelloc::clsVelloc() { ++liveObjectCount; }

clsVelloc::~clsVelloc() {
  g_oArDbSrv.reset();
  --liveObjectCount;
}

long clsVelloc::liveObjects() { return liveObjectCount.load(); }

bool clsVelloc::Init(std::u16string sConn, std::u16string sUserId) {
  try {
    m_sConn = std::move(sConn);
    m_sUserId = std::move(sUserId);
    m_oUtil = CreateObject(kUtilityProgId);

    g_oArDbSrv = CreateObject(kArchiveDataProgId);
    if (!g_oArDbSrv) return false;
    services::ArchiveDataService archiveData(g_oArDbSrv);
    archiveData.Init(m_sConn);
    if (reportsNotReady(archiveData.Status())) return false;

    g_ColSet = CreateObject(kColumnSettingsProgId);
    if (!g_ColSet) return false;
    services::ColumnSettingsService(g_ColSet).Init(m_sConn, m_sUserId);

    g_oVoDbSrv = CreateObject(kVoucherDataProgId);
    if (!g_oVoDbSrv) return false;
    services::VoucherDataService voucherData(g_oVoDbSrv);
    voucherData.Init(m_sConn);
    if (reportsNotReady(voucherData.Status())) return false;

    g_oRowAuth = CreateObject(kRowAuthorisationProgId);
    if (!g_oRowAuth) return false;
    services::RowAuthorisationService(g_oRowAuth).Init(m_sConn, m_sUserId);
    return true;
  } catch (...) {
    g_oArDbSrv = nullptr;
    g_oVoDbSrv = nullptr;
    g_ColSet = nullptr;
    g_oRowAuth = nullptr;
    return false;
  }
}

}  // namespace tarn::velloc
