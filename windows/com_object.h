// Two adapters between COM objects and automation Objects.
//
// wrapDispatch: a COM object (an outside component created through the system's class
// registration, a script's own object, a record set) seen as an automation Object. Names are
// resolved with IDispatchEx::GetDispID where the object has it (a script's class objects do not
// answer GetIDsOfNames) and with GetIDsOfNames otherwise, ASCII case ignored. By-reference
// arguments are passed as VT_BYREF|VT_VARIANT and read back after the call. Failures raise
// AutomationError: DISP_E_UNKNOWNNAME and DISP_E_MEMBERNOTFOUND kUnknownOperation,
// DISP_E_BADPARAMCOUNT kWrongArgumentCount, DISP_E_TYPEMISMATCH kTypeMismatch, DISP_E_OVERFLOW
// kOverflow; an exception the object reports carries its description, and its number when it
// is an automation error number (FACILITY_CONTROL), kComponentFailure otherwise.
//
// dispatchOf: the other way; an automation Object as a COM IDispatch. A wrapped COM object gives
// back the object it wraps.
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
#include <dispex.h>
// clang-format on

#include "tarnvelloc/automation/object.h"

namespace tarn::windows {

// Takes over the caller's reference to `object` (which may be null: a null reference).
automation::ObjectRef wrapDispatch(IDispatch* object);

// A new reference the caller releases; null for a null reference.
IDispatch* dispatchOf(const automation::ObjectRef& object);

}  // namespace tarn::windows
