#include "erp/db/erp_collation.h"

#include <algorithm>

namespace tarn::erp::db {
namespace {

// Code units compared as unsigned values, ASCII letters folded to lower case.
unsigned folded(char c) {
  const auto value = static_cast<unsigned char>(c);
  return (value >= 'A' && value <= 'Z') ? value - 'A' + 'a' : value;
}

}  // namespace

// Index searches call this for every key they pass, so equal code units, the usual case, are
// skipped without folding, and only the longer text's tail is compared with blanks.
int compareErpCi(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned left = folded(a[i]);
    const unsigned right = folded(b[i]);
    if (left != right) return left < right ? -1 : 1;
  }
  const bool aIsLonger = a.size() > common;
  for (const char c : (aIsLonger ? a : b).substr(common)) {
    const unsigned tail = folded(c);
    if (tail == ' ') continue;
    return (tail > ' ') == aIsLonger ? 1 : -1;
  }
  return 0;
}

}  // namespace tarn::erp::db
