#include "windows/variant_bridge.h"

#include "tarnvelloc/automation/error.h"
#include "windows/com_object.h"
#include "windows/com_text.h"

namespace tarn::windows {
namespace {

using automation::ErrorCode;
using automation::Variant;

// A number of a kind the automation runtime does not have, read as Long when it fits and as
// Double otherwise.
Variant otherNumber(const VARIANT& value) {
  VARIANT converted;
  VariantInit(&converted);
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) {
    return Variant(static_cast<std::int32_t>(V_I4(&converted)));
  }
  if (SUCCEEDED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_R8)))
    return Variant(V_R8(&converted));
  automation::raise(ErrorCode::kOverflow);
}

Variant fromDispatch(IDispatch* object) {
  if (object) object->AddRef();
  return Variant(wrapDispatch(object));
}

}  // namespace

Variant fromCom(const VARIANT& value) {
  const VARTYPE type = V_VT(&value);
  if (type == (VT_BYREF | VT_VARIANT)) {
    if (!V_VARIANTREF(&value)) automation::raise(ErrorCode::kTypeMismatch);
    return fromCom(*V_VARIANTREF(&value));
  }
  if ((type & VT_BYREF) && !V_BYREF(&value)) automation::raise(ErrorCode::kTypeMismatch);
  switch (type) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::null();
    case VT_ERROR:
      if (V_ERROR(&value) == DISP_E_PARAMNOTFOUND) return Variant();
      break;
    case VT_I2:
      return Variant(static_cast<std::int16_t>(V_I2(&value)));
    case VT_I2 | VT_BYREF:
      return Variant(static_cast<std::int16_t>(*V_I2REF(&value)));
    case VT_I4:
      return Variant(static_cast<std::int32_t>(V_I4(&value)));
    case VT_I4 | VT_BYREF:
      return Variant(static_cast<std::int32_t>(*V_I4REF(&value)));
    case VT_R8:
      return Variant(V_R8(&value));
    case VT_R8 | VT_BYREF:
      return Variant(*V_R8REF(&value));
    case VT_BOOL:
      return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_BOOL | VT_BYREF:
      return Variant(*V_BOOLREF(&value) != VARIANT_FALSE);
    case VT_BSTR:
      return Variant(fromBstr(V_BSTR(&value)));
    case VT_BSTR | VT_BYREF:
      return Variant(fromBstr(*V_BSTRREF(&value)));
    case VT_DISPATCH:
      return fromDispatch(V_DISPATCH(&value));
    case VT_DISPATCH | VT_BYREF:
      return fromDispatch(*V_DISPATCHREF(&value));
    case VT_UNKNOWN:
    case VT_UNKNOWN | VT_BYREF: {
      IUnknown* unknown = type == VT_UNKNOWN ? V_UNKNOWN(&value) : *V_UNKNOWNREF(&value);
      if (!unknown) return Variant(automation::ObjectRef());
      IDispatch* object = nullptr;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&object)))) {
        automation::raise(ErrorCode::kObjectRequired);
      }
      return Variant(wrapDispatch(object));
    }
    default:
      break;
  }
  switch (type & ~VT_BYREF) {
    case VT_I1:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_CY:
    case VT_DECIMAL:
    case VT_DATE:
      return otherNumber(value);
    default:
      automation::raise(ErrorCode::kTypeMismatch);
  }
}

void toCom(const Variant& value, VARIANT& out) {
  VariantInit(&out);
  switch (value.type()) {
    case Variant::Type::Empty:
      return;
    case Variant::Type::Null:
      V_VT(&out) = VT_NULL;
      return;
    case Variant::Type::Boolean:
      V_VT(&out) = VT_BOOL;
      V_BOOL(&out) = value.toBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case Variant::Type::Integer:
      V_VT(&out) = VT_I2;
      V_I2(&out) = value.toInteger();
      return;
    case Variant::Type::Long:
      V_VT(&out) = VT_I4;
      V_I4(&out) = value.toLong();
      return;
    case Variant::Type::Double:
      V_VT(&out) = VT_R8;
      V_R8(&out) = value.toDouble();
      return;
    case Variant::Type::String:
      V_VT(&out) = VT_BSTR;
      V_BSTR(&out) = toBstr(*value.stringIf());
      return;
    case Variant::Type::Object:
      V_VT(&out) = VT_DISPATCH;
      V_DISPATCH(&out) = dispatchOf(value.toObject());
      return;
  }
}

void writeBack(const Variant& value, VARIANT& target) {
  switch (V_VT(&target)) {
    case VT_BYREF | VT_VARIANT: {
      VARIANT converted;
      toCom(value, converted);
      VariantClear(V_VARIANTREF(&target));
      *V_VARIANTREF(&target) = converted;
      return;
    }
    case VT_BYREF | VT_BSTR: {
      BSTR text = toBstr(value.toString());
      SysFreeString(*V_BSTRREF(&target));
      *V_BSTRREF(&target) = text;
      return;
    }
    case VT_BYREF | VT_I2:
      *V_I2REF(&target) = value.toInteger();
      return;
    case VT_BYREF | VT_I4:
      *V_I4REF(&target) = value.toLong();
      return;
    case VT_BYREF | VT_R8:
      *V_R8REF(&target) = value.toDouble();
      return;
    case VT_BYREF | VT_BOOL:
      *V_BOOLREF(&target) = value.toBoolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VT_BYREF | VT_DISPATCH: {
      IDispatch* object = dispatchOf(value.toObject());
      if (*V_DISPATCHREF(&target)) (*V_DISPATCHREF(&target))->Release();
      *V_DISPATCHREF(&target) = object;
      return;
    }
    default:
      automation::raise(ErrorCode::kTypeMismatch);
  }
}

}  // namespace tarn::windows
