// The entry points of TarnErp.dll: the outside components of erp/ as an in-process COM server.
// Its objects are the erp library's own, handed to COM callers through IDispatch.
//
// DllRegisterServer writes, under HKEY_CLASSES_ROOT, for each ProgID below the ProgID key with
// its CLSID, and for each class its CLSID key (default and ProgID: the class's first ProgID) with
// InprocServer32 (this DLL, ThreadingModel Apartment); DllUnregisterServer removes all of them.
//
// The connection object is not registered by DllRegisterServer: on a Windows machine the
// system's own ADODB.Connection serves. `regsvr32 /n /i:ADODB.Connection TarnErp.dll` (DllInstall)
// registers it under that ProgID in place of the system's, for test machines whose ADO cannot
// read rows; it keeps the class id the ProgID named before, and `regsvr32 /u /n
// /i:ADODB.Connection` gives the ProgID that class id back (or removes the ProgID when it named
// none).
// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/erp/components.h"
#include "windows/com_object.h"
#include "windows/com_server.h"

namespace tarn::windows {
namespace {

// The ProgIDs DllRegisterServer writes, in order: a class named by two keeps the first.
constexpr std::u16string_view kProgIds[] = {
    u"TarnDataSvc.IDataSvc",     u"TarnVoucherSvc.IVoucherSvc", u"TarnColumnSvc.IColumnSvc",
    u"TarnColSetSvc.IColumnSvc", u"TarnRowAuthSvc.IRowAuth",    u"TarnUtil.IUtil"};
constexpr std::u16string_view kConnectionProgId = u"ADODB.Connection";
// Where DllInstall keeps the class id ADODB.Connection named before it.
constexpr wchar_t kReplacedValue[] = L"ReplacedClass";

// The erp library's classes, registered once for the life of the DLL.
automation::ComponentRegistry& components() {
  static automation::ComponentRegistry registry = [] {
    automation::ComponentRegistry filled;
    erp::registerComponents(filled);
    return filled;
  }();
  return registry;
}

automation::Guid classOf(std::u16string_view progId) { return *components().classIdOf(progId); }

std::vector<RegistryValue> serviceEntries() {
  std::vector<RegistryValue> entries;
  std::set<automation::Guid> written;
  for (const std::u16string_view progId : kProgIds) {
    const automation::Guid classId = classOf(progId);
    std::vector<RegistryValue> own = classEntries(progId, classId);
    // The first two values are the ProgID's; the rest belong to the class.
    const std::size_t kept = written.insert(classId).second ? own.size() : 2;
    entries.insert(entries.end(), own.begin(), own.begin() + static_cast<std::ptrdiff_t>(kept));
  }
  return entries;
}

std::vector<std::wstring> serviceKeys() {
  std::vector<std::wstring> keys;
  for (const std::u16string_view progId : kProgIds) {
    keys.push_back(wideText(progId));
    keys.push_back(classKey(classOf(progId)));
  }
  return keys;
}

HRESULT installConnection() {
  const automation::Guid classId = classOf(kConnectionProgId);
  const std::wstring progIdKey = wideText(kConnectionProgId);
  const std::wstring replaced = readRegistryValue(progIdKey + L"\\CLSID");
  std::vector<RegistryValue> entries = classEntries(kConnectionProgId, classId);
  entries.erase(entries.begin());  // the ProgID key's own default value stays as it was
  if (!replaced.empty() && replaced != entries.front().value) {
    entries.push_back({classKey(classId), kReplacedValue, replaced});
  }
  return writeRegistry(entries);
}

HRESULT uninstallConnection() {
  const automation::Guid classId = classOf(kConnectionProgId);
  const std::wstring progIdKey = wideText(kConnectionProgId);
  const std::wstring replaced = readRegistryValue(classKey(classId), kReplacedValue);
  const bool restore = !replaced.empty();
  const std::wstring keys[] = {classKey(classId), progIdKey};
  const HRESULT hr = deleteRegistryKeys(std::span(keys, restore ? 1 : 2));
  if (FAILED(hr) || !restore) return hr;
  const RegistryValue back[] = {{progIdKey + L"\\CLSID", L"", replaced}};
  return writeRegistry(back);
}

IDispatch* createObject(const automation::Guid& classId) {
  IDispatch* object = dispatchOf(components().create(classId));
  if (!object) throw std::runtime_error("the class gave no object");
  return object;
}

}  // namespace
}  // namespace tarn::windows

using namespace tarn;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) windows::attachServer(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    for (const auto& [_, id] : windows::components().snapshot().progIds) {
      if (classId == windows::toGuid(id)) {
        return windows::classFactory([id] { return windows::createObject(id); }, iid, out);
      }
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return windows::canUnloadNow(); }

STDAPI DllRegisterServer() {
  try {
    return windows::writeRegistry(windows::serviceEntries());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return windows::deleteRegistryKeys(windows::serviceKeys());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// regsvr32 /n /i:ADODB.Connection [/u]: the connection object under ADODB.Connection, for tests.
STDAPI DllInstall(BOOL install, LPCWSTR command) {
  if (!command || CompareStringOrdinal(command, -1, L"ADODB.Connection", -1, TRUE) != CSTR_EQUAL) {
    return E_INVALIDARG;
  }
  try {
    return install ? windows::installConnection() : windows::uninstallConnection();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
