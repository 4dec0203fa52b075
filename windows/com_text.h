// Text between COM and the automation runtime: BSTR and wide strings are UTF-16, as component
// text is, so the conversions copy code units and never re-encode. A null BSTR reads as "".
#pragma once

// <windows.h> comes first: the other Windows headers need it.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <string>
#include <string_view>

namespace tarn::windows {

inline std::u16string fromBstr(BSTR text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text))
              : std::u16string();
}

inline const wchar_t* wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A new BSTR the caller owns.
inline BSTR toBstr(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const wchar_t*>(text.data()),
                           static_cast<UINT>(text.size()));
}

}  // namespace tarn::windows
