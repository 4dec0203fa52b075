#include "windows/com_object.h"

#include <cstdio>
#include <vector>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "windows/com_text.h"
#include "windows/dispatch_on_object.h"
#include "windows/variant_bridge.h"

namespace tarn::windows {
namespace {

using automation::Argument;
using automation::CallKind;
using automation::DispId;
using automation::ErrorCode;
using automation::Variant;

// VARIANTs this side owns for the length of one call.
class OwnedVariants {
 public:
  explicit OwnedVariants(std::size_t count) : values_(count) {
    for (VARIANT& value : values_) VariantInit(&value);
  }
  ~OwnedVariants() {
    for (VARIANT& value : values_) VariantClear(&value);
  }
  OwnedVariants(const OwnedVariants&) = delete;
  OwnedVariants& operator=(const OwnedVariants&) = delete;
  VARIANT& operator[](std::size_t i) { return values_[i]; }
  VARIANT* data() { return values_.data(); }

 private:
  std::vector<VARIANT> values_;
};

// The AutomationError that stands for a failed call of a COM object.
[[noreturn]] void raiseFailure(HRESULT hr, EXCEPINFO& exception) {
  if (hr == DISP_E_EXCEPTION) {
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    const std::string message = automation::toUtf8(fromBstr(exception.bstrDescription));
    const HRESULT code = exception.scode;
    const WORD number = exception.wCode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (number != 0) throw automation::AutomationError(static_cast<ErrorCode>(number), message);
    hr = code;
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) {
      throw automation::AutomationError(static_cast<ErrorCode>(HRESULT_CODE(hr)), message);
    }
    if (!message.empty()) throw automation::AutomationError(ErrorCode::kComponentFailure, message);
  }
  switch (hr) {
    case DISP_E_UNKNOWNNAME:
    case DISP_E_MEMBERNOTFOUND:
      automation::raise(ErrorCode::kUnknownOperation);
    case DISP_E_BADPARAMCOUNT:
      automation::raise(ErrorCode::kWrongArgumentCount);
    case DISP_E_TYPEMISMATCH:
      automation::raise(ErrorCode::kTypeMismatch);
    case DISP_E_OVERFLOW:
      automation::raise(ErrorCode::kOverflow);
    default:
      break;
  }
  char text[32];
  std::snprintf(text, sizeof text, "HRESULT 0x%08lX", static_cast<unsigned long>(hr));
  if (HRESULT_FACILITY(hr) == FACILITY_CONTROL) {
    throw automation::AutomationError(static_cast<ErrorCode>(HRESULT_CODE(hr)), text);
  }
  automation::raise(ErrorCode::kComponentFailure, text);
}

class ComObject final : public automation::Object {
 public:
  explicit ComObject(IDispatch* object) : object_(object) {
    if (FAILED(
            object_->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&extended_)))) {
      extended_ = nullptr;
    }
  }
  ~ComObject() override {
    if (extended_) extended_->Release();
    object_->Release();
  }
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  IDispatch* dispatch() const { return object_; }

  DispId idOfName(std::u16string_view name) const override {
    BSTR text = toBstr(name);
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = E_NOTIMPL;
    if (extended_) hr = extended_->GetDispID(text, fdexNameCaseInsensitive, &id);
    if (FAILED(hr)) hr = object_->GetIDsOfNames(IID_NULL, &text, 1, LOCALE_USER_DEFAULT, &id);
    SysFreeString(text);
    if (FAILED(hr)) automation::raise(ErrorCode::kUnknownOperation, automation::toUtf8(name));
    return id;
  }

  Variant invoke(DispId id, CallKind kind, std::span<Argument> args) override {
    const std::size_t count = args.size();
    // COM passes arguments last first; a by-reference argument points at a VARIANT of ours.
    OwnedVariants values(count);
    std::vector<VARIANT> passed(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t at = count - 1 - i;
      toCom(args[i].value(), values[at]);
      if (args[i].isByRef()) {
        VariantInit(&passed[at]);
        V_VT(&passed[at]) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&passed[at]) = &values[at];
      } else {
        passed[at] = values[at];
      }
    }
    DISPID propertyPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(count), 0};
    WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    if (kind == CallKind::PropertySet) {
      params.rgdispidNamedArgs = &propertyPut;
      params.cNamedArgs = 1;
      flags = count > 0 && args[count - 1].value().isObject() ? DISPATCH_PROPERTYPUTREF
                                                              : DISPATCH_PROPERTYPUT;
    }
    OwnedVariants result(1);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = extended_ ? extended_->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params,
                                                       &result[0], &exception, nullptr)
                                 : object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags,
                                                   &params, &result[0], &exception, &argumentError);
    if (FAILED(hr)) raiseFailure(hr, exception);
    for (std::size_t i = 0; i < count; ++i) {
      if (args[i].isByRef()) args[i].value() = fromCom(values[count - 1 - i]);
    }
    return fromCom(result[0]);
  }

 private:
  IDispatch* object_;
  IDispatchEx* extended_ = nullptr;
};

// An automation object of this side handed to a COM caller.
class ObjectDispatch final : public DispatchOnObject<IDispatch> {
 public:
  explicit ObjectDispatch(automation::ObjectRef object) : object_(std::move(object)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  automation::Object& target() override { return *object_; }

  automation::ObjectRef object_;
};

}  // namespace

automation::ObjectRef wrapDispatch(IDispatch* object) {
  if (!object) return nullptr;
  return std::make_shared<ComObject>(object);
}

IDispatch* dispatchOf(const automation::ObjectRef& object) {
  if (!object) return nullptr;
  if (const auto* wrapped = dynamic_cast<const ComObject*>(object.get())) {
    wrapped->dispatch()->AddRef();
    return wrapped->dispatch();
  }
  return new ObjectDispatch(object);
}

}  // namespace tarn::windows
