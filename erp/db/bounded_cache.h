// BoundedCache keeps values under text keys, at most `capacity` of them: storing one more drops
// the entry used least recently. Finding an entry allocates nothing. The database backends keep
// their prepared statements in one per connection, the column-settings service its layouts.
// Not synchronised: one thread at a time, like the connection it belongs to.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tarn::erp::db {

template <typename Value>
class BoundedCache {
 public:
  // `capacity` must be at least 1.
  explicit BoundedCache(std::size_t capacity) : capacity_(capacity) {}
  BoundedCache(const BoundedCache&) = delete;
  BoundedCache& operator=(const BoundedCache&) = delete;

  // The value under `key`, which becomes the most recently used; null when there is none.
  Value* find(std::u16string_view key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return &found->second->second;
  }

  // Stores `value` under `key`, which must not be stored yet, dropping the least recently used
  // entry when the cache is full. The reference stays valid until that entry is dropped.
  Value& insert(std::u16string key, Value value) {
    if (entries_.size() >= capacity_) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
    entries_.emplace_front(std::move(key), std::move(value));
    index_.emplace(entries_.front().first, entries_.begin());
    return entries_.front().second;
  }

  void clear() {
    index_.clear();
    entries_.clear();
  }

  std::size_t size() const { return entries_.size(); }
  std::size_t capacity() const { return capacity_; }

 private:
  using Entries = std::list<std::pair<const std::u16string, Value>>;
  // Keys compared as whole code units rather than one character at a time.
  struct SameText {
    bool operator()(std::u16string_view a, std::u16string_view b) const noexcept {
      return a.size() == b.size() &&
             (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
    }
  };

  std::size_t capacity_;
  Entries entries_;  // most recently used first
  std::unordered_map<std::u16string_view, typename Entries::iterator,
                     std::hash<std::u16string_view>, SameText>
      index_;  // views entries_
};

}  // namespace tarn::erp::db
