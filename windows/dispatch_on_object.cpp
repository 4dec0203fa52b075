#include "windows/dispatch_on_object.h"

#include <new>
#include <vector>

#include "tarnvelloc/automation/error.h"
#include "tarnvelloc/automation/text.h"
#include "windows/com_text.h"
#include "windows/variant_bridge.h"

namespace tarn::windows {
namespace {

using automation::AutomationError;
using automation::ErrorCode;
using automation::Variant;

void setErrorInfo(const IID& interfaceId, std::u16string_view source,
                  const std::u16string& description) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) return;
  create->SetGUID(interfaceId);
  create->SetSource(const_cast<LPOLESTR>(wide(std::u16string(source))));
  create->SetDescription(const_cast<LPOLESTR>(wide(description)));
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

HRESULT exceptionResult(const IID& interfaceId, std::u16string_view source, std::int32_t number,
                        const std::string& message, EXCEPINFO* exception) {
  const std::u16string description = automation::fromUtf8(message);
  setErrorInfo(interfaceId, source, description);
  if (exception) {
    *exception = EXCEPINFO{};
    exception->bstrSource = toBstr(source);
    exception->bstrDescription = toBstr(description);
    exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number);
  }
  return DISP_E_EXCEPTION;
}

// The arguments of a call in their declared order: positional ones (passed last first), then
// the value of a property put.
std::vector<VARIANT*> argumentsInOrder(DISPPARAMS& params, bool put) {
  std::vector<VARIANT*> ordered;
  for (UINT i = params.cArgs; i > params.cNamedArgs; --i) ordered.push_back(&params.rgvarg[i - 1]);
  if (put) ordered.push_back(&params.rgvarg[0]);
  return ordered;
}

}  // namespace

std::atomic<long>& liveServerObjects() {
  static std::atomic<long> count{0};
  return count;
}

HRESULT idsOfNames(const automation::Object& object, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  try {
    ids[0] = object.idOfName(reinterpret_cast<const char16_t*>(names[0]));
  } catch (const std::exception&) {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  // Parameter names are not known: every call passes its arguments by position.
  for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT invokeObject(automation::Object& object, const IID& interfaceId, std::u16string_view source,
                     DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* exception, UINT* argumentError) {
  if (!params) return E_INVALIDARG;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put ? params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT
          : params->cNamedArgs != 0) {
    return DISP_E_NONAMEDARGS;
  }
  const std::vector<VARIANT*> passed = argumentsInOrder(*params, put);
  std::vector<Variant> values;
  values.reserve(passed.size());
  std::size_t at = 0;
  try {
    for (; at < passed.size(); ++at) values.push_back(fromCom(*passed[at]));
  } catch (const AutomationError& e) {
    if (argumentError) *argumentError = static_cast<UINT>(passed.size() - 1 - at);
    return e.code() == ErrorCode::kOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
  }
  const std::vector<Variant> before = values;
  try {
    std::vector<automation::Argument> arguments;
    arguments.reserve(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      arguments.push_back(V_VT(passed[i]) & VT_BYREF ? automation::Argument::byRef(values[i])
                                                     : automation::Argument::byValue(values[i]));
    }
    const Variant answer = object.invoke(
        id, put ? automation::CallKind::PropertySet : automation::CallKind::Call, arguments);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if ((V_VT(passed[i]) & VT_BYREF) && !(values[i] == before[i])) {
        writeBack(values[i], *passed[i]);
      }
    }
    if (result && !put) toCom(answer, *result);
    return S_OK;
  } catch (const AutomationError& e) {
    switch (e.code()) {
      case ErrorCode::kUnknownOperation:
        return DISP_E_MEMBERNOTFOUND;
      case ErrorCode::kWrongArgumentCount:
        return DISP_E_BADPARAMCOUNT;
      case ErrorCode::kTypeMismatch:
      case ErrorCode::kObjectRequired:
        if (argumentError) *argumentError = 0;
        return DISP_E_TYPEMISMATCH;
      case ErrorCode::kOverflow:
        return DISP_E_OVERFLOW;
      default:
        return exceptionResult(interfaceId, source, static_cast<std::int32_t>(e.code()), e.what(),
                               exception);
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    return exceptionResult(interfaceId, source,
                           static_cast<std::int32_t>(ErrorCode::kComponentFailure), e.what(),
                           exception);
  }
}

}  // namespace tarn::windows
