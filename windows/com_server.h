// What every in-process server of this folder shares: the module it was loaded from, its class
// factory, its lock count and its registry entries.
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tarnvelloc/automation/factory.h"

namespace tarn::windows {

// What DllMain does when the server is loaded: keeps the module it was loaded from, and turns
// off the thread notifications no server of this folder needs.
void attachServer(HINSTANCE module);
// The full path of the server's DLL.
std::wstring serverPath();

GUID toGuid(const automation::Guid& id);
std::wstring wideText(std::u16string_view text);
// "CLSID\{class id}"
std::wstring classKey(const automation::Guid& classId);

// A class factory whose CreateInstance asks `create` for a new object (a reference the factory
// takes over) and answers the interface asked for. `create` may throw: an allocation failure
// is E_OUTOFMEMORY, any other exception CLASS_E_CLASSNOTAVAILABLE. Hands the factory out as
// DllGetClassObject does.
HRESULT classFactory(std::function<IDispatch*()> create, REFIID iid, void** out);

// S_OK when no object of the server lives and no client locked it (DllCanUnloadNow).
HRESULT canUnloadNow();

// One value under HKEY_CLASSES_ROOT; an empty name is the key's default value.
struct RegistryValue {
  std::wstring key;
  std::wstring name;
  std::wstring value;
};

// The entries of one class registered by ProgID in this server: the ProgID with its CLSID, and
// the class id with its ProgID and InprocServer32 (this DLL, ThreadingModel Apartment).
std::vector<RegistryValue> classEntries(std::u16string_view progId,
                                        const automation::Guid& classId);

HRESULT writeRegistry(std::span<const RegistryValue> values);
// Removes each key with everything below it; a key that is not there is no failure.
HRESULT deleteRegistryKeys(std::span<const std::wstring> keys);
// The value `name` of `key` (an empty name: its default value), or nothing when the key or its
// value is missing.
std::wstring readRegistryValue(const std::wstring& key, const std::wstring& name = {});

}  // namespace tarn::windows
