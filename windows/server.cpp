// The entry points of TarnVelloc.dll as an in-process COM server.
//
// DllRegisterServer writes exactly these entries under HKEY_CLASSES_ROOT, and registers the
// embedded type library (which adds TypeLib\{library id} and Interface\{id} of _clsVelloc and
// its earlier identities); DllUnregisterServer removes all of them:
//   TarnVelloc.clsVelloc                     (default) TarnVelloc.clsVelloc
//   TarnVelloc.clsVelloc\CLSID               (default) {class id}
//   CLSID\{class id}                         (default) TarnVelloc.clsVelloc
//   CLSID\{class id}\InprocServer32          (default) the DLL's path, ThreadingModel Apartment
//   CLSID\{class id}\ProgID                  (default) TarnVelloc.clsVelloc
//   CLSID\{class id}\TypeLib                 (default) {type library id}
//
// The component creates its outside components by ProgID. This server registers none of its
// own, so every ProgID is looked up in the system's class registration (CLSIDFromProgID, then
// CoCreateInstance, in-process or local server) and the object is called through IDispatch.
// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include "windows/server.h"

#include <string>
#include <vector>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/component/entry_points.h"
#include "windows/com_object.h"
#include "windows/com_server.h"
#include "windows/com_text.h"
#include "windows/dispatch_on_object.h"

namespace tarn::windows {
namespace {

const std::wstring& progId() {
  static const std::wstring text = wideText(velloc::kProgId);
  return text;
}

automation::ObjectRef createFromSystem(std::u16string_view name) {
  const std::u16string text(name);
  CLSID classId;
  if (FAILED(CLSIDFromProgID(wide(text), &classId))) {
    automation::raise(automation::ErrorCode::kCannotCreateObject, automation::toUtf8(name));
  }
  IDispatch* object = nullptr;
  const HRESULT hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                      IID_IDispatch, reinterpret_cast<void**>(&object));
  if (FAILED(hr)) {
    automation::raise(automation::ErrorCode::kCannotCreateObject, automation::toUtf8(name));
  }
  return wrapDispatch(object);
}

HRESULT writeClassEntries() {
  std::vector<RegistryValue> entries = classEntries(velloc::kProgId, velloc::kClassId);
  const std::string library = velloc::kTypeLibraryId.toString();
  entries.push_back({classKey(velloc::kClassId) + L"\\TypeLib", L"",
                     std::wstring(library.begin(), library.end())});
  return writeRegistry(entries);
}

HRESULT loadTypeLibrary(REGKIND kind, ITypeLib** library) {
  return LoadTypeLibEx(serverPath().c_str(), kind, library);
}

}  // namespace

ITypeInfo* serverTypeInfo(const IID& interfaceId) {
  ITypeLib* library = nullptr;
  if (FAILED(loadTypeLibrary(REGKIND_NONE, &library))) return nullptr;
  ITypeInfo* info = nullptr;
  if (FAILED(library->GetTypeInfoOfGuid(interfaceId, &info))) info = nullptr;
  library->Release();
  return info;
}

}  // namespace tarn::windows

using namespace tarn;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    windows::attachServer(instance);
    automation::ComponentRegistry::global().setFallback(windows::createFromSystem);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (classId != windows::toGuid(velloc::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  return windows::classFactory(windows::createVellocObject, iid, out);
}

STDAPI DllCanUnloadNow() { return windows::canUnloadNow(); }

STDAPI DllRegisterServer() {
  HRESULT hr = windows::writeClassEntries();
  if (FAILED(hr)) return hr;
  ITypeLib* library = nullptr;
  hr = windows::loadTypeLibrary(REGKIND_NONE, &library);
  if (FAILED(hr)) return hr;
  std::wstring path = windows::serverPath();
  hr = RegisterTypeLib(library, path.data(), nullptr);
  library->Release();
  return hr;
}

STDAPI DllUnregisterServer() {
  const std::wstring keys[] = {windows::progId(), windows::classKey(velloc::kClassId)};
  const HRESULT removed = windows::deleteRegistryKeys(keys);
  if (FAILED(removed)) return removed;
  const HRESULT hr =
      UnRegisterTypeLib(windows::toGuid(velloc::kTypeLibraryId), 1, 0, LANG_NEUTRAL, SYS_WIN64);
  return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}
