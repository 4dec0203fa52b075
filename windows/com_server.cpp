#include "windows/com_server.h"

#include <atomic>
#include <new>

#include "windows/dispatch_on_object.h"

namespace tarn::windows {
namespace {

HMODULE serverModule = nullptr;
std::atomic<long> serverLocks{0};

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(std::function<IDispatch*()> create) : create_(std::move(create)) {}

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
      IDispatch* object = create_();
      const HRESULT hr = object->QueryInterface(iid, out);
      object->Release();
      return hr;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception&) {
      return CLASS_E_CLASSNOTAVAILABLE;
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
  std::function<IDispatch*()> create_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

void attachServer(HINSTANCE module) {
  serverModule = module;
  DisableThreadLibraryCalls(module);
}

std::wstring serverPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(serverModule, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

GUID toGuid(const automation::Guid& id) {
  GUID guid{id.data1, id.data2, id.data3, {}};
  for (std::size_t i = 0; i < 8; ++i) guid.Data4[i] = id.data4[i];
  return guid;
}

std::wstring wideText(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::wstring classKey(const automation::Guid& classId) {
  const std::string id = classId.toString();
  return L"CLSID\\" + std::wstring(id.begin(), id.end());
}

HRESULT classFactory(std::function<IDispatch*()> create, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* factory = new (std::nothrow) ClassFactory(std::move(create));
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

HRESULT canUnloadNow() { return liveServerObjects() == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

std::vector<RegistryValue> classEntries(std::u16string_view progId,
                                        const automation::Guid& classId) {
  const std::wstring name = wideText(progId);
  const std::string id = classId.toString();
  const std::wstring classText(id.begin(), id.end());
  const std::wstring key = classKey(classId);
  return {
      {name, L"", name},
      {name + L"\\CLSID", L"", classText},
      {key, L"", name},
      {key + L"\\InprocServer32", L"", serverPath()},
      {key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {key + L"\\ProgID", L"", name},
  };
}

HRESULT writeRegistry(std::span<const RegistryValue> values) {
  for (const auto& [key, name, value] : values) {
    HKEY opened;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE,
                                     nullptr, &opened, nullptr);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    status = RegSetValueExW(opened, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

HRESULT deleteRegistryKeys(std::span<const std::wstring> keys) {
  for (const std::wstring& key : keys) {
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

std::wstring readRegistryValue(const std::wstring& key, const std::wstring& name) {
  wchar_t value[256];
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name.empty() ? nullptr : name.c_str(),
                   RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

}  // namespace tarn::windows
