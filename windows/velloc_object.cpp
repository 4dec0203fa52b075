// clsVelloc as a COM object: the dual interface _clsVelloc (and its two earlier identities,
// which have the same layout) over the component's late-bound face. A vtable call goes through
// the same Invoke as a late-bound one, so both reach the component the same way, convert
// arguments the same way and fail the same way: the vtable method returns the HRESULT, or for an
// exception its scode with the thread's IErrorInfo set.
#include <initguid.h>

#include <memory>
#include <vector>

#include "TarnVelloc_h.h"
#include "component/clsVelloc.h"
#include "component/dispatch_face.h"
#include "windows/dispatch_on_object.h"
#include "windows/server.h"

namespace tarn::windows {
namespace {

VARIANT argument(VARTYPE type) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = type;
  return value;
}
VARIANT integerArgument(short number) {
  VARIANT value = argument(VT_I2);
  V_I2(&value) = number;
  return value;
}
VARIANT booleanArgument(VARIANT_BOOL flag) {
  VARIANT value = argument(VT_BOOL);
  V_BOOL(&value) = flag;
  return value;
}
VARIANT textArgument(BSTR text) {
  VARIANT value = argument(VT_BSTR);
  V_BSTR(&value) = text;
  return value;
}
VARIANT textReference(BSTR* text) {
  VARIANT value = argument(VT_BYREF | VT_BSTR);
  V_BSTRREF(&value) = text;
  return value;
}
VARIANT variantReference(VARIANT* target) {
  VARIANT value = argument(VT_BYREF | VT_VARIANT);
  V_VARIANTREF(&value) = target;
  return value;
}

class VellocObject final : public DispatchOnObject<::_clsVelloc>, public ISupportErrorInfo {
 public:
  VellocObject() : face_(velloc::makeDispatchFace(std::make_shared<velloc::clsVelloc>())) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || isOwnInterface(iid)) {
      *out = static_cast<::_clsVelloc*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return DispatchOnObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return DispatchOnObject::Release(); }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return isOwnInterface(iid) || iid == IID_IDispatch ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE get_g_oArDbSrv(IDispatch** value) override {
    return getObject(velloc::kDispIdArDbSrv, value);
  }
  HRESULT STDMETHODCALLTYPE putref_g_oArDbSrv(IDispatch* value) override {
    return putObject(velloc::kDispIdArDbSrv, value);
  }
  HRESULT STDMETHODCALLTYPE get_g_oVoDbSrv(IDispatch** value) override {
    return getObject(velloc::kDispIdVoDbSrv, value);
  }
  HRESULT STDMETHODCALLTYPE putref_g_oVoDbSrv(IDispatch* value) override {
    return putObject(velloc::kDispIdVoDbSrv, value);
  }
  HRESULT STDMETHODCALLTYPE get_g_ColSet(IDispatch** value) override {
    return getObject(velloc::kDispIdColSet, value);
  }
  HRESULT STDMETHODCALLTYPE putref_g_ColSet(IDispatch* value) override {
    return putObject(velloc::kDispIdColSet, value);
  }
  HRESULT STDMETHODCALLTYPE get_g_oRowAuth(IDispatch** value) override {
    return getObject(velloc::kDispIdRowAuth, value);
  }
  HRESULT STDMETHODCALLTYPE putref_g_oRowAuth(IDispatch* value) override {
    return putObject(velloc::kDispIdRowAuth, value);
  }

  HRESULT STDMETHODCALLTYPE Init(BSTR sConn, BSTR sUserId, VARIANT_BOOL* result) override {
    return callForBoolean(velloc::kDispIdInit, {textArgument(sConn), textArgument(sUserId)},
                          result);
  }

  HRESULT STDMETHODCALLTYPE GetRefSQL(short iDataSrcType, short iVoucherSec, BSTR sUserDefName,
                                      BSTR sTableName, BSTR sFieldName, BSTR sCardNumber,
                                      BSTR sMatchVal, BSTR* sRefSql, BSTR* sRefColSet,
                                      VARIANT* sRefColWidth, VARIANT_BOOL* result) override {
    return callForBoolean(
        velloc::kDispIdGetRefSQL,
        {integerArgument(iDataSrcType), integerArgument(iVoucherSec), textArgument(sUserDefName),
         textArgument(sTableName), textArgument(sFieldName), textArgument(sCardNumber),
         textArgument(sMatchVal), textReference(sRefSql), textReference(sRefColSet),
         variantReference(sRefColWidth)},
        result);
  }

  HRESULT STDMETHODCALLTYPE ValidateAr(short iDataSrcType, short iVoucherSec, BSTR sUserDefName,
                                       BSTR sTableName, BSTR sFieldName, BSTR* sUserDefVal,
                                       BSTR sCardNumber, VARIANT_BOOL bBuildAr,
                                       short* result) override {
    return callForInteger(
        velloc::kDispIdValidateAr,
        {integerArgument(iDataSrcType), integerArgument(iVoucherSec), textArgument(sUserDefName),
         textArgument(sTableName), textArgument(sFieldName), textReference(sUserDefVal),
         textArgument(sCardNumber), booleanArgument(bBuildAr)},
        result);
  }

  HRESULT STDMETHODCALLTYPE GetFreeRefSQL(BSTR sFreeFldName, BSTR sMatchVal, BSTR* sRefSql,
                                          BSTR* sRefColSet, VARIANT* sRefColWidth,
                                          VARIANT_BOOL* result) override {
    return callForBoolean(
        velloc::kDispIdGetFreeRefSQL,
        {textArgument(sFreeFldName), textArgument(sMatchVal), textReference(sRefSql),
         textReference(sRefColSet), variantReference(sRefColWidth)},
        result);
  }

  HRESULT STDMETHODCALLTYPE ValidateFreeAr(BSTR sFreeFldName, BSTR* sFreeVal, VARIANT_BOOL bBuildAr,
                                           short* result) override {
    return callForInteger(
        velloc::kDispIdValidateFreeAr,
        {textArgument(sFreeFldName), textReference(sFreeVal), booleanArgument(bBuildAr)}, result);
  }

  HRESULT STDMETHODCALLTYPE GetStruFreeRefSQL(BSTR sInvCode, BSTR sFreeFldName, BSTR sMatchVal,
                                              BSTR* sRefSql, BSTR* sRefColSet,
                                              VARIANT* sRefColWidth,
                                              VARIANT_BOOL* result) override {
    return callForBoolean(
        velloc::kDispIdGetStruFreeRefSQL,
        {textArgument(sInvCode), textArgument(sFreeFldName), textArgument(sMatchVal),
         textReference(sRefSql), textReference(sRefColSet), variantReference(sRefColWidth)},
        result);
  }

 private:
  static bool isOwnInterface(REFIID iid) {
    return iid == IID__clsVelloc || iid == IID__clsVellocEarlier1 || iid == IID__clsVellocEarlier2;
  }

  automation::Object& target() override { return *face_; }
  ITypeInfo* typeInfo() override { return serverTypeInfo(IID__clsVelloc); }
  std::u16string_view errorSource() override { return u"TarnVelloc.clsVelloc"; }
  const IID& errorInterface() override { return IID__clsVelloc; }

  // Calls the member `id` with the arguments in declared order. On success `result` holds the
  // answer (the caller clears it); an exception's scode is returned in place of
  // DISP_E_EXCEPTION.
  HRESULT call(DISPID id, WORD flags, std::vector<VARIANT> arguments, VARIANT& result) {
    std::vector<VARIANT> passed(arguments.rbegin(), arguments.rend());
    DISPID propertyPut = DISPID_PROPERTYPUT;
    DISPPARAMS params{passed.data(), nullptr, static_cast<UINT>(passed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUTREF) {
      params.rgdispidNamedArgs = &propertyPut;
      params.cNamedArgs = 1;
    }
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const IID reserved{};  // IID_NULL
    const HRESULT hr = Invoke(id, reserved, LOCALE_USER_DEFAULT, flags, &params, &result,
                              &exception, &argumentError);
    if (hr != DISP_E_EXCEPTION) return hr;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return exception.scode;
  }

  HRESULT callAs(VARTYPE type, DISPID id, std::vector<VARIANT> arguments, VARIANT& answer) {
    VARIANT result;
    HRESULT hr = call(id, DISPATCH_METHOD, std::move(arguments), result);
    if (FAILED(hr)) return hr;
    VariantInit(&answer);
    hr = VariantChangeType(&answer, &result, 0, type);
    VariantClear(&result);
    return hr;
  }

  HRESULT callForBoolean(DISPID id, std::vector<VARIANT> arguments, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    VARIANT answer;
    const HRESULT hr = callAs(VT_BOOL, id, std::move(arguments), answer);
    if (SUCCEEDED(hr)) *result = V_BOOL(&answer);
    return hr;
  }

  HRESULT callForInteger(DISPID id, std::vector<VARIANT> arguments, short* result) {
    if (!result) return E_POINTER;
    VARIANT answer;
    const HRESULT hr = callAs(VT_I2, id, std::move(arguments), answer);
    if (SUCCEEDED(hr)) *result = V_I2(&answer);
    return hr;
  }

  HRESULT getObject(DISPID id, IDispatch** value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    VARIANT result;
    const HRESULT hr = call(id, DISPATCH_PROPERTYGET, {}, result);
    if (FAILED(hr)) return hr;
    if (V_VT(&result) == VT_DISPATCH) {
      *value = V_DISPATCH(&result);  // the reference passes to the caller
      return S_OK;
    }
    const bool empty = V_VT(&result) == VT_EMPTY;
    VariantClear(&result);
    return empty ? S_OK : DISP_E_TYPEMISMATCH;
  }

  HRESULT putObject(DISPID id, IDispatch* value) {
    VARIANT object = argument(VT_DISPATCH);
    V_DISPATCH(&object) = value;
    VARIANT result;
    const HRESULT hr = call(id, DISPATCH_PROPERTYPUTREF, {object}, result);
    VariantClear(&result);
    return hr;
  }

  automation::ObjectRef face_;
};

}  // namespace

IDispatch* createVellocObject() { return new VellocObject(); }

}  // namespace tarn::windows
