// How TarnVelloc is published as an in-process component: its fixed identities and the four
// entry points a host calls, on top of the automation component factory.
//
//   DllRegisterServer    registers the class clsVelloc under its ProgID and class id
//   DllUnregisterServer  removes that registration
//   DllGetClassObject    hands out the class factory for the class id: an object with
//                        CreateInstance (a new clsVelloc's face) and LockServer(lock)
//   DllCanUnloadNow      kOk only when no clsVelloc object and no factory lock is alive
//
// The identities are fixed once and are the same in every revision of the component. The
// automation runtime's factory keeps classes only; the type-library and interface identities
// (the current one and the two earlier ones of _clsVelloc) are published here for hosts that
// keep a registry of their own.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "tarnvelloc/automation/factory.h"

namespace tarn::velloc {

using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111);

inline constexpr std::u16string_view kLibraryName = u"TarnVelloc";
inline constexpr std::u16string_view kProgId = u"TarnVelloc.clsVelloc";

// {18AEAFA8-DDF8-4622-83E7-FA933C3DB99B}
inline constexpr automation::Guid kTypeLibraryId{
    0x18AEAFA8, 0xDDF8, 0x4622, {0x83, 0xE7, 0xFA, 0x93, 0x3C, 0x3D, 0xB9, 0x9B}};
// {AC198B38-EAC1-4786-A55E-C27987EF321C}
inline constexpr automation::Guid kClassId{
    0xAC198B38, 0xEAC1, 0x4786, {0xA5, 0x5E, 0xC2, 0x79, 0x87, 0xEF, 0x32, 0x1C}};
// {93B286A6-0143-4C29-832F-445F4E7ED651}: _clsVelloc, dual, hidden, automation-compatible.
inline constexpr automation::Guid kInterfaceId{
    0x93B286A6, 0x0143, 0x4C29, {0x83, 0x2F, 0x44, 0x5F, 0x4E, 0x7E, 0xD6, 0x51}};
// Earlier identities of _clsVelloc, kept as hidden entries beside the current one.
inline constexpr std::array<automation::Guid, 2> kEarlierInterfaceIds{{
    {0xB566A676, 0xBA56, 0x444A, {0x97, 0xBB, 0x32, 0x9B, 0xE2, 0x46, 0x99, 0x58}},
    {0x43B52D35, 0xA2F2, 0x45FF, {0xA8, 0x24, 0x54, 0xEB, 0x33, 0x1A, 0x68, 0x5D}},
}};

HResult DllRegisterServer();
HResult DllUnregisterServer();
// On success `factory` receives the class factory object; kClassNotAvailable for another id.
HResult DllGetClassObject(const automation::Guid& clsid, automation::ObjectRef& factory);
HResult DllCanUnloadNow();

}  // namespace tarn::velloc
