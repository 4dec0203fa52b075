// The shapes of the statement texts a connection ran last (dialect.h: shapeStatement), kept by
// their whole text, so that a text run again is not read token by token again: its shape is
// copied and its values are found where they stood. A text that differs in anything, a literal
// included, is a key of its own. A text is kept from its second reading on: one seen once (a
// value typed once) costs a hash, not the keeping. Not synchronised: one thread at a time, like
// its connection.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "erp/db/bounded_cache.h"
#include "erp/db/dialect.h"

namespace tarn::erp::db {

class ShapeMemo {
 public:
  // `capacity` texts at most (at least 1); the least recently used go first.
  explicit ShapeMemo(std::size_t capacity) : kept_(capacity) {}

  // Fills `shape` for `text` exactly as shapeStatement does, values viewing `text`, and raises
  // as it does; a text that raised is not kept.
  void shape(std::u16string_view text, StatementShape& shape);

 private:
  struct KeptValue {
    std::size_t quotedAt;  // where the value's text starts in the statement
    std::size_t quotedLength;
    std::size_t offset;  // LiteralValue::offset
  };
  struct Kept {
    std::u16string text;
    std::vector<KeptValue> values;
  };

  BoundedCache<Kept> kept_;
  std::array<std::size_t, 64> seen_{};  // hashes of texts read once lately, a ring
  std::size_t nextSeen_ = 0;
};

}  // namespace tarn::erp::db
