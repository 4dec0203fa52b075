// What TarnVelloc.dll's parts share: its embedded type library and the creation of a clsVelloc
// COM object.
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on

namespace tarn::windows {

// The type information of `interfaceId` from the type library embedded in the server; a new
// reference, or null when the library cannot be loaded.
ITypeInfo* serverTypeInfo(const IID& interfaceId);

// A new clsVelloc object: the caller owns the one reference returned.
IDispatch* createVellocObject();

}  // namespace tarn::windows
