#include "erp/db/shape_memo.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace tarn::erp::db {

void ShapeMemo::shape(std::u16string_view text, StatementShape& shape) {
  if (const Kept* kept = kept_.find(text)) {
    shape.text.assign(kept->text);
    shape.values.clear();
    for (const KeptValue& value : kept->values) {
      shape.values.push_back({text.substr(value.quotedAt, value.quotedLength), value.offset});
    }
    return;
  }
  shapeStatement(text, shape);
  const std::size_t hash = std::hash<std::u16string_view>{}(text);
  if (std::find(seen_.begin(), seen_.end(), hash) == seen_.end()) {
    seen_[nextSeen_] = hash;
    nextSeen_ = (nextSeen_ + 1) % seen_.size();
    return;
  }
  Kept kept{shape.text, {}};
  kept.values.reserve(shape.values.size());
  for (const LiteralValue& value : shape.values) {
    kept.values.push_back({static_cast<std::size_t>(value.quoted.data() - text.data()),
                           value.quoted.size(), value.offset});
  }
  kept_.insert(std::u16string(text), std::move(kept));
}

}  // namespace tarn::erp::db
