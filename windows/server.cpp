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

#include "server.h"

#include <atomic>
#include <string>

#include "com_object.h"
#include "com_text.h"
#include "dispatch_on_object.h"
#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/component/entry_points.h"

namespace tarn::windows {
namespace {

HMODULE module = nullptr;
std::atomic<long> serverLocks{0};

GUID toGuid(const automation::Guid& id) {
  GUID guid{id.data1, id.data2, id.data3, {}};
  for (std::size_t i = 0; i < 8; ++i) guid.Data4[i] = id.data4[i];
  return guid;
}

std::wstring wideText(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

const std::wstring& progId() {
  static const std::wstring text = wideText(automation::toUtf8(velloc::kProgId));
  return text;
}

std::wstring classKey() { return L"CLSID\\" + wideText(velloc::kClassId.toString()); }

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

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      IDispatch* object = createVellocObject();
      const HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++serverLocks;
    } else if (serverLocks > 0) {
      --serverLocks;
    }
    return S_OK;
  }

 private:
  std::atomic<ULONG> references_{1};
};

LSTATUS setValue(HKEY root, const std::wstring& key, const wchar_t* name,
                 const std::wstring& value) {
  HKEY opened;
  LSTATUS status =
      RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
  return status;
}

LSTATUS deleteTree(const std::wstring& key) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

HRESULT writeClassEntries() {
  const std::wstring classId = wideText(velloc::kClassId.toString());
  const std::wstring entries[][3] = {
      {progId(), L"", progId()},
      {progId() + L"\\CLSID", L"", classId},
      {classKey(), L"", progId()},
      {classKey() + L"\\InprocServer32", L"", serverPath()},
      {classKey() + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {classKey() + L"\\ProgID", L"", progId()},
      {classKey() + L"\\TypeLib", L"", wideText(velloc::kTypeLibraryId.toString())},
  };
  for (const auto& [key, name, value] : entries) {
    const LSTATUS status =
        setValue(HKEY_CLASSES_ROOT, key, name.empty() ? nullptr : name.c_str(), value);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT loadTypeLibrary(REGKIND kind, ITypeLib** library) {
  return LoadTypeLibEx(serverPath().c_str(), kind, library);
}

}  // namespace

std::wstring serverPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

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
    windows::module = instance;
    DisableThreadLibraryCalls(instance);
    automation::ComponentRegistry::global().setFallback(windows::createFromSystem);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (classId != windows::toGuid(velloc::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) windows::ClassFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

STDAPI DllCanUnloadNow() {
  return windows::liveServerObjects() == 0 && windows::serverLocks == 0 ? S_OK : S_FALSE;
}

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
  for (const std::wstring& key : {windows::progId(), windows::classKey()}) {
    const LSTATUS status = windows::deleteTree(key);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  const HRESULT hr =
      UnRegisterTypeLib(windows::toGuid(velloc::kTypeLibraryId), 1, 0, LANG_NEUTRAL, SYS_WIN64);
  return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}
