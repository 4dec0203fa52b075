#include "erp/db/shape_memo.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tarn::erp::db {

void viewKeptValues(std::u16string_view text, std::span<const KeptValue> kept,
                    std::vector<LiteralValue>& values) {
  values.clear();
  for (const KeptValue& value : kept) {
    values.push_back({text.substr(value.quotedAt, value.quotedLength), value.offset});
  }
}

std::vector<KeptValue> keptValuesOf(std::u16string_view text, const StatementShape& shape) {
  std::vector<KeptValue> kept;
  kept.reserve(shape.values.size());
  for (const LiteralValue& value : shape.values) {
    kept.push_back({static_cast<std::size_t>(value.quoted.data() - text.data()),
                    value.quoted.size(), value.offset});
  }
  return kept;
}

// Eight bytes at a time, each word mixed in by a multiplication: a statement text is hashed on
// every run, and the keys are few (a memo's texts), so spread matters less than speed.
std::size_t StatementTextHash::operator()(std::u16string_view text) const noexcept {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t left = text.size() * sizeof(char16_t);
  std::uint64_t hash = left * kMultiplier;
  for (; left >= sizeof(std::uint64_t); left -= sizeof(std::uint64_t)) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    bytes += sizeof word;
    hash = (std::rotl(hash, 23) ^ word) * kMultiplier;
  }
  std::uint64_t tail = 0;
  if (left > 0) std::memcpy(&tail, bytes, left);
  hash = (std::rotl(hash, 23) ^ tail) * kMultiplier;
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

bool StatementTextEqual::operator()(std::u16string_view a, std::u16string_view b) const noexcept {
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}

}  // namespace tarn::erp::db
