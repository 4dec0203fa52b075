// The shapes of the statement texts a connection ran last (dialect.h: shapeStatement), kept by
// their whole text, so that a text run again is not read token by token again: its shape is
// copied and its values are found where they stood. A text that differs in anything, a literal
// included, is a key of its own. A text is kept from its second reading on: one seen once (a
// value typed once) costs a hash, not the keeping. Not synchronised: one thread at a time, like
// its connection.
//
// A connection may attach something of its own to a kept text (the SQLite backend attaches the
// statement it compiled for the shape): found with the text, it spares the connection the
// shape's copy and its own lookup by shape. What is attached goes when the text is dropped.
#pragma once

#include <array>
#include <cstddef>
#include <list>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "erp/db/dialect.h"

namespace tarn::erp::db {

// Where a value stood in a kept text; the same place in an equal text holds the same value.
struct KeptValue {
  std::size_t quotedAt;  // where the value's text starts in the statement
  std::size_t quotedLength;
  std::size_t offset;  // LiteralValue::offset
};

// The values `kept` describes, viewing `text` (an equal text), into `values`.
void viewKeptValues(std::u16string_view text, std::span<const KeptValue> kept,
                    std::vector<LiteralValue>& values);

// The places of `shape`'s values, which view `text`.
std::vector<KeptValue> keptValuesOf(std::u16string_view text, const StatementShape& shape);

// Statement texts as keys: hashed and compared as whole code units, without a character-wise
// comparison.
struct StatementTextHash {
  std::size_t operator()(std::u16string_view text) const noexcept;
};
struct StatementTextEqual {
  bool operator()(std::u16string_view a, std::u16string_view b) const noexcept;
};

template <typename Attached>
class ShapeMemoWith {
 public:
  struct Entry {
    std::u16string shapeText;
    std::vector<KeptValue> values;
    Attached attached{};
  };

  // `capacity` texts at most (at least 1); the least recently used go first.
  explicit ShapeMemoWith(std::size_t capacity) : capacity_(capacity) {}
  ShapeMemoWith(const ShapeMemoWith&) = delete;
  ShapeMemoWith& operator=(const ShapeMemoWith&) = delete;

  // The entry kept for `text`, now the most recently used; null when the text is not kept.
  Entry* find(std::u16string_view text) {
    const auto found = index_.find(text);
    if (found == index_.end()) return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return &found->second->second;
  }

  // Fills `shape` for `text` exactly as shapeStatement does, values viewing `text`, and raises
  // as it does; a text that raised is not kept. Gives the text's entry when the text is kept
  // (from its second reading on), with what was attached to it before; null when it is not.
  Entry* shape(std::u16string_view text, StatementShape& shape) {
    if (Entry* kept = find(text)) {
      shape.text.assign(kept->shapeText);
      viewKeptValues(text, kept->values, shape.values);
      return kept;
    }
    shapeStatement(text, shape);
    if (!seenBefore(text)) return nullptr;
    if (entries_.size() >= capacity_) {
      index_.erase(entries_.back().first);
      entries_.pop_back();
    }
    entries_.emplace_front(std::u16string(text), Entry{shape.text, keptValuesOf(text, shape)});
    index_.emplace(entries_.front().first, entries_.begin());
    return &entries_.front().second;
  }

 private:
  using Entries = std::list<std::pair<const std::u16string, Entry>>;

  // Whether `text` was read lately; notes it when it was not.
  bool seenBefore(std::u16string_view text) {
    const std::size_t hash = StatementTextHash{}(text);
    for (const std::size_t seen : seen_) {
      if (seen == hash) return true;
    }
    seen_[nextSeen_] = hash;
    nextSeen_ = (nextSeen_ + 1) % seen_.size();
    return false;
  }

  std::size_t capacity_;
  Entries entries_;  // most recently used first
  std::unordered_map<std::u16string_view, typename Entries::iterator, StatementTextHash,
                     StatementTextEqual>
      index_;                           // views the keys of entries_
  std::array<std::size_t, 64> seen_{};  // hashes of texts read once lately, a ring
  std::size_t nextSeen_ = 0;
};

// The memo of a connection that attaches nothing.
struct NothingAttached {};
using ShapeMemo = ShapeMemoWith<NothingAttached>;

}  // namespace tarn::erp::db
