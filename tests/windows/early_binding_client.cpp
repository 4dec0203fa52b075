// A C++ client of TarnVelloc.dll: creates clsVelloc with CoCreateInstance and calls it through
// the vtable of the type library's _clsVelloc (early binding); checks that the type library's
// identities, slot order and dispatch ids are the component's, and that its late-bound face
// answers the same ids. Prints "FAIL ..." per failed check and "END <n> failures".
// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <oaidl.h>
#include <oleauto.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "TarnVelloc_h.h"
#include "tarnvelloc/component/entry_points.h"

namespace {

int failures = 0;

void check(const char* what, bool ok) {
  if (ok) return;
  ++failures;
  std::printf("FAIL %s\n", what);
}

bool same(const GUID& guid, const tarn::automation::Guid& id) {
  if (guid.Data1 != id.data1 || guid.Data2 != id.data2 || guid.Data3 != id.data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (guid.Data4[i] != id.data4[i]) return false;
  }
  return true;
}

struct Member {
  const wchar_t* name;
  MEMBERID id;
  INVOKEKIND kind;
};

// _clsVelloc after the seven IUnknown and IDispatch slots, in slot order.
const Member kMembers[] = {
    {L"g_oArDbSrv", 0x40030000, INVOKE_PROPERTYGET},
    {L"g_oArDbSrv", 0x40030000, INVOKE_PROPERTYPUTREF},
    {L"g_oVoDbSrv", 0x40030001, INVOKE_PROPERTYGET},
    {L"g_oVoDbSrv", 0x40030001, INVOKE_PROPERTYPUTREF},
    {L"g_ColSet", 0x40030002, INVOKE_PROPERTYGET},
    {L"g_ColSet", 0x40030002, INVOKE_PROPERTYPUTREF},
    {L"g_oRowAuth", 0x40030003, INVOKE_PROPERTYGET},
    {L"g_oRowAuth", 0x40030003, INVOKE_PROPERTYPUTREF},
    {L"Init", 0x60030000, INVOKE_FUNC},
    {L"GetRefSQL", 0x60030001, INVOKE_FUNC},
    {L"ValidateAr", 0x60030002, INVOKE_FUNC},
    {L"GetFreeRefSQL", 0x60030003, INVOKE_FUNC},
    {L"ValidateFreeAr", 0x60030004, INVOKE_FUNC},
    {L"GetStruFreeRefSQL", 0x60030005, INVOKE_FUNC},
};

void checkTypeLibrary(IDispatch* object) {
  ITypeLib* library = nullptr;
  check("the type library is registered",
        SUCCEEDED(LoadRegTypeLib(LIBID_TarnVelloc, 1, 0, 0, &library)));
  if (!library) return;
  TLIBATTR* libraryAttributes = nullptr;
  library->GetLibAttr(&libraryAttributes);
  check("type library id", same(libraryAttributes->guid, tarn::velloc::kTypeLibraryId));
  library->ReleaseTLibAttr(libraryAttributes);
  check("class id", same(CLSID_clsVelloc, tarn::velloc::kClassId));
  check("interface id", same(IID__clsVelloc, tarn::velloc::kInterfaceId));
  check("earlier interface ids",
        same(IID__clsVellocEarlier1, tarn::velloc::kEarlierInterfaceIds[0]) &&
            same(IID__clsVellocEarlier2, tarn::velloc::kEarlierInterfaceIds[1]));

  for (const IID* earlier : {&IID__clsVellocEarlier1, &IID__clsVellocEarlier2}) {
    ITypeInfo* info = nullptr;
    library->GetTypeInfoOfGuid(*earlier, &info);
    TYPEATTR* attributes = nullptr;
    if (info) info->GetTypeAttr(&attributes);
    check("earlier interface kept hidden",
          attributes && (attributes->wTypeFlags & TYPEFLAG_FHIDDEN));
    if (attributes) info->ReleaseTypeAttr(attributes);
    if (info) info->Release();
  }

  // The vtable half of the dual interface.
  ITypeInfo* dispatchInfo = nullptr;
  ITypeInfo* info = nullptr;
  HREFTYPE vtable = 0;
  library->GetTypeInfoOfGuid(IID__clsVelloc, &dispatchInfo);
  if (dispatchInfo && SUCCEEDED(dispatchInfo->GetRefTypeOfImplType(-1, &vtable))) {
    dispatchInfo->GetRefTypeInfo(vtable, &info);
  }
  check("_clsVelloc is dual", info != nullptr);
  if (!info) return;
  TYPEATTR* attributes = nullptr;
  info->GetTypeAttr(&attributes);
  check(
      "_clsVelloc flags: dual, hidden, not extensible, automation",
      (attributes->wTypeFlags &
       (TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION)) ==
          (TYPEFLAG_FDUAL | TYPEFLAG_FHIDDEN | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FOLEAUTOMATION));
  check("_clsVelloc member count", attributes->cFuncs == std::size(kMembers));
  for (UINT i = 0; i < attributes->cFuncs && i < std::size(kMembers); ++i) {
    FUNCDESC* function = nullptr;
    info->GetFuncDesc(i, &function);
    BSTR name = nullptr;
    UINT names = 0;
    info->GetNames(function->memid, &name, 1, &names);
    const Member& expected = kMembers[i];
    const bool sameMember = name && std::wstring(name) == expected.name &&
                            function->memid == expected.id && function->invkind == expected.kind &&
                            function->oVft == static_cast<SHORT>((7 + i) * sizeof(void*));
    std::string label = "slot " + std::to_string(7 + i);
    check(label.c_str(), sameMember);

    // The component's late-bound face gives the name the same id.
    LPOLESTR asked = const_cast<LPOLESTR>(expected.name);
    DISPID late = DISPID_UNKNOWN;
    const IID reserved{};  // IID_NULL
    object->GetIDsOfNames(reserved, &asked, 1, LOCALE_USER_DEFAULT, &late);
    label = "late-bound id of slot " + std::to_string(7 + i);
    check(label.c_str(), late == function->memid);
    SysFreeString(name);
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attributes);
  info->Release();
  dispatchInfo->Release();
  library->Release();
}

// An archive data service that knows the value "White" under the alias "W", and is its own record
// set, fields and field: OpenX, BOF, EOF, Fields, Item, Value, MoveNext, Close.
class ArchiveService final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    for (DISPID id = 0; id < static_cast<DISPID>(std::size(kNames)); ++id) {
      if (_wcsicmp(names[0], kNames[id]) == 0) {
        *ids = id;
        return S_OK;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    VariantInit(result);
    V_VT(result) = VT_BOOL;
    switch (id) {
      case 0: {  // OpenX(sql), the SQL text by reference
        const VARIANT& sql = params->rgvarg[0];
        const wchar_t* text =
            V_VT(&sql) == (VT_BYREF | VT_VARIANT) ? V_BSTR(V_VARIANTREF(&sql)) : L"";
        rows_ = std::wstring(text).find(L"A.cAlias =N'W'") != std::wstring::npos ? 1 : 0;
        position_ = 0;
        calls_ += L"OpenX;";
        [[fallthrough]];
      }
      case 3:
      case 4:
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = this;
        return S_OK;
      case 1:
        V_BOOL(result) = rows_ == 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      case 2:
        V_BOOL(result) = position_ >= rows_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
      case 5:
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(L"White");
        return S_OK;
      case 6:
        ++position_;
        V_VT(result) = VT_EMPTY;
        return S_OK;
      default:
        calls_ += L"Close;";
        V_VT(result) = VT_EMPTY;
        return S_OK;
    }
  }
  const std::wstring& calls() const { return calls_; }

 private:
  static constexpr const wchar_t* kNames[] = {L"OpenX", L"BOF",   L"EOF",      L"Fields",
                                              L"Item",  L"Value", L"MoveNext", L"Close"};
  int rows_ = 0;
  int position_ = 0;
  std::wstring calls_;
};

void checkVtableCalls(_clsVelloc* velloc) {
  IDispatch* property = reinterpret_cast<IDispatch*>(1);
  check("g_ColSet of a new object", velloc->get_g_ColSet(&property) == S_OK && !property);

  // Any automation object will do as an outside component: another clsVelloc.
  IDispatch* other = nullptr;
  CoCreateInstance(CLSID_clsVelloc, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                   reinterpret_cast<void**>(&other));
  check("putref g_ColSet", velloc->putref_g_ColSet(other) == S_OK);
  check("get g_ColSet gives back the object set",
        velloc->get_g_ColSet(&property) == S_OK && property == other);
  if (property) property->Release();
  check("putref g_ColSet Nothing", velloc->putref_g_ColSet(nullptr) == S_OK);
  other->Release();

  // A refusal leaves the caller's strings as they were, the very same BSTRs.
  BSTR sql = SysAllocString(L"kept");
  BSTR columns = SysAllocString(L"kept too");
  BSTR empty = SysAllocString(L"");
  const BSTR sqlBefore = sql;
  VARIANT widths;
  VariantInit(&widths);
  VARIANT_BOOL ok = VARIANT_TRUE;
  check("GetRefSQL of an unknown source type",
        velloc->GetRefSQL(7, 0, empty, empty, empty, empty, empty, &sql, &columns, &widths, &ok) ==
                S_OK &&
            ok == VARIANT_FALSE && sql == sqlBefore && std::wstring(sql) == L"kept" &&
            std::wstring(columns) == L"kept too" && V_VT(&widths) == VT_EMPTY);

  BSTR name = SysAllocString(L"cdefine1");
  BSTR value = SysAllocString(L"typed");
  short code = 0;
  check("ValidateFreeAr of a name that is no free item",
        velloc->ValidateFreeAr(name, &value, VARIANT_FALSE, &code) == S_OK && code == -1 &&
            std::wstring(value) == L"typed");

  // An alias replaced by its value in the caller's BSTR.
  ArchiveService archive;
  velloc->putref_g_oArDbSrv(&archive);
  BSTR free = SysAllocString(L"cfree1");
  BSTR typed = SysAllocString(L"W");
  code = -9;
  check("ValidateFreeAr of an alias",
        velloc->ValidateFreeAr(free, &typed, VARIANT_FALSE, &code) == S_OK && code == 0 &&
            std::wstring(typed) == L"White" && archive.calls() == L"OpenX;Close;OpenX;Close;");
  velloc->putref_g_oArDbSrv(nullptr);
  SysFreeString(free);
  SysFreeString(typed);

  // No outside component is registered in this prefix: Init fails and leaves none set.
  BSTR connection = SysAllocString(L"Provider=SQLite;Data Source=none.db");
  BSTR user = SysAllocString(L"demo");
  check("Init without outside components",
        velloc->Init(connection, user, &ok) == S_OK && ok == VARIANT_FALSE);
  check("g_oArDbSrv after the failed Init", velloc->get_g_oArDbSrv(&property) == S_OK && !property);
  for (BSTR text : {sql, columns, empty, name, value, connection, user}) SysFreeString(text);
}

// A failure inside a late-bound call: Null where the component needs text.
void checkException(IDispatch* object) {
  VARIANT arguments[3];  // last first: bBuildAr, sFreeVal, sFreeFldName
  for (VARIANT& argument : arguments) VariantInit(&argument);
  V_VT(&arguments[0]) = VT_BOOL;
  V_BOOL(&arguments[0]) = VARIANT_FALSE;
  V_VT(&arguments[1]) = VT_BSTR;
  V_BSTR(&arguments[1]) = SysAllocString(L"typed");
  V_VT(&arguments[2]) = VT_NULL;
  DISPPARAMS params{arguments, nullptr, 3, 0};
  EXCEPINFO exception{};
  VARIANT result;
  VariantInit(&result);
  const IID reserved{};  // IID_NULL
  const HRESULT hr = object->Invoke(0x60030004, reserved, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                    &params, &result, &exception, nullptr);
  check("Invoke with Null for a text",
        hr == DISP_E_EXCEPTION && exception.scode == static_cast<HRESULT>(0x800A005E) &&
            std::wstring(exception.bstrSource) == L"TarnVelloc.clsVelloc" &&
            std::wstring(exception.bstrDescription) == L"Invalid use of Null");
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  VariantClear(&arguments[1]);

  ISupportErrorInfo* supports = nullptr;
  object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&supports));
  check("error information for _clsVelloc",
        supports && supports->InterfaceSupportsErrorInfo(IID__clsVelloc) == S_OK);
  if (supports) supports->Release();
  IErrorInfo* info = nullptr;
  BSTR source = nullptr;
  BSTR description = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    info->GetSource(&source);
    info->GetDescription(&description);
    info->Release();
  }
  check("IErrorInfo of the failure", source && description &&
                                         std::wstring(source) == L"TarnVelloc.clsVelloc" &&
                                         std::wstring(description) == L"Invalid use of Null");
  SysFreeString(source);
  SysFreeString(description);

  ITypeInfo* type = nullptr;
  TYPEATTR* attributes = nullptr;
  if (object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &type) == S_OK) type->GetTypeAttr(&attributes);
  check("GetTypeInfo describes _clsVelloc", attributes && attributes->guid == IID__clsVelloc);
  if (attributes) type->ReleaseTypeAttr(attributes);
  if (type) type->Release();
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  _clsVelloc* velloc = nullptr;
  const HRESULT created = CoCreateInstance(CLSID_clsVelloc, nullptr, CLSCTX_INPROC_SERVER,
                                           IID__clsVelloc, reinterpret_cast<void**>(&velloc));
  check("CoCreateInstance of clsVelloc", SUCCEEDED(created) && velloc);
  if (velloc) {
    for (const IID* earlier : {&IID__clsVellocEarlier1, &IID__clsVellocEarlier2}) {
      IUnknown* same = nullptr;
      check("an earlier interface id gives the same interface",
            SUCCEEDED(velloc->QueryInterface(*earlier, reinterpret_cast<void**>(&same))) &&
                same == velloc);
      if (same) same->Release();
    }
    checkTypeLibrary(velloc);
    checkVtableCalls(velloc);
    checkException(velloc);
    velloc->Release();
  }
  // The client's own handle on the server: no object of it is alive any more.
  HMODULE server = GetModuleHandleW(L"TarnVelloc.dll");
  auto canUnload = server ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                                reinterpret_cast<void*>(GetProcAddress(server, "DllCanUnloadNow")))
                          : nullptr;
  check("DllCanUnloadNow once every object is released", canUnload && canUnload() == S_OK);
  CoUninitialize();
  std::printf("END %d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
