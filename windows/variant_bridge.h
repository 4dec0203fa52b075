// VARIANT <-> automation::Variant. Reading a VARIANT follows the by-reference forms to the value
// they point at (VT_BYREF|VT_VARIANT included); an object becomes a reference to the same COM
// object (released with the last reference). Writing an automation Variant gives a VARIANT that
// owns its BSTR or its object reference.
//
// Kinds: Empty, Null, VT_I2, VT_I4, VT_R8, VT_BOOL, VT_BSTR and VT_DISPATCH map one to one; other
// numbers (bytes, unsigned, 64-bit, single, currency, decimal, date) are read as Long or Double;
// VT_UNKNOWN is read through its IDispatch; a missing optional argument reads as Empty. Anything
// else raises kTypeMismatch.
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include "tarnvelloc/automation/variant.h"

namespace tarn::windows {

automation::Variant fromCom(const VARIANT& value);

// `out` must hold nothing (VT_EMPTY, or cleared); it receives a VARIANT the caller clears.
void toCom(const automation::Variant& value, VARIANT& out);

// Replaces what the by-reference argument `target` points at with `value`, converted to the
// pointed-at kind (VT_BYREF|VT_VARIANT takes any kind). The value replaced is freed. Raises
// kTypeMismatch for a kind the value cannot become, kOverflow when it does not fit.
void writeBack(const automation::Variant& value, VARIANT& target);

}  // namespace tarn::windows
