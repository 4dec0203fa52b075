#include "erp/db/erp_collation.h"

#include <algorithm>

namespace tarn::erp::db {
namespace {

char16_t folded(char16_t c) { return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c; }

}  // namespace

int compareErpCi(std::u16string_view a, std::u16string_view b) {
  const std::size_t length = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t left = folded(i < a.size() ? a[i] : u' ');
    const char16_t right = folded(i < b.size() ? b[i] : u' ');
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

}  // namespace tarn::erp::db
