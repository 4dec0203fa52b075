// IDispatch over an automation Object: the way this server shows its own objects to COM
// callers. Names and dispatch ids are the object's own; arguments are converted by
// variant_bridge; by-reference arguments the object changed are written back into the caller's
// variables, and only those.
//
// Failures, as COM callers expect them:
//   an unknown name                      DISP_E_UNKNOWNNAME (GetIDsOfNames)
//   an unknown dispatch id or call kind  DISP_E_MEMBERNOTFOUND
//   a wrong argument count               DISP_E_BADPARAMCOUNT
//   named arguments (but the value put)  DISP_E_NONAMEDARGS
//   an argument of the wrong kind        DISP_E_TYPEMISMATCH (puArgErr: its position)
//   an argument out of range             DISP_E_OVERFLOW
//   any other error of the object        DISP_E_EXCEPTION, EXCEPINFO filled (source, message,
//                                        scode 0x800A0000 + the automation error number) and
//                                        the same source and message set as the thread's
//                                        IErrorInfo
//
// Objects are counted for DllCanUnloadNow while they live.
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on

#include <atomic>
#include <string_view>

#include "tarnvelloc/automation/object.h"

namespace tarn::windows {

// The COM objects of this server alive now.
std::atomic<long>& liveServerObjects();

HRESULT idsOfNames(const automation::Object& object, LPOLESTR* names, UINT count, DISPID* ids);

HRESULT invokeObject(automation::Object& object, const IID& interfaceId, std::u16string_view source,
                     DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                     EXCEPINFO* exception, UINT* argumentError);

// Reference counting and IDispatch for a class implementing `Interface` (IDispatch or an
// interface derived from it). The class gives QueryInterface and target(); it may give its
// type information and its error source.
template <class Interface>
class DispatchOnObject : public Interface {
 public:
  DispatchOnObject() { ++liveServerObjects(); }
  DispatchOnObject(const DispatchOnObject&) = delete;
  DispatchOnObject& operator=(const DispatchOnObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    ITypeInfo* info = typeInfo();
    *count = info ? 1 : 0;
    if (info) info->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    *info = typeInfo();
    return *info ? S_OK : TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return idsOfNames(target(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override {
    return invokeObject(target(), errorInterface(), errorSource(), id, flags, params, result,
                        exception, argumentError);
  }

 protected:
  virtual ~DispatchOnObject() { --liveServerObjects(); }

  virtual automation::Object& target() = 0;
  // A new reference, or null when the object has no type information.
  virtual ITypeInfo* typeInfo() { return nullptr; }
  virtual std::u16string_view errorSource() { return u"TarnVelloc"; }
  virtual const IID& errorInterface() { return IID_IDispatch; }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace tarn::windows
