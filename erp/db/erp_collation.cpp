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

int compareErpCi(std::string_view a, std::string_view b) {
  const std::size_t length = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned left = i < a.size() ? folded(a[i]) : unsigned{' '};
    const unsigned right = i < b.size() ? folded(b[i]) : unsigned{' '};
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

}  // namespace tarn::erp::db
