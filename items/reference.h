// Reference is what a reference method hands back on success: the pick-list SQL, the
// column-set text (captions joined by ','), and the column widths (a Variant holding a string).
#pragma once

#include <string>

#include "tarnvelloc/automation/variant.h"

namespace tarn::items {

struct Reference {
  std::u16string sql;
  std::u16string columnSet;
  automation::Variant columnWidth = automation::Variant(u"");
};

// Writes the reference into the caller's outputs, in the order sql, column set, widths.
inline void writeReference(Reference reference, std::u16string& sRefSql, std::u16string& sRefColSet,
                           automation::Variant& sRefColWidth) {
  sRefSql = std::move(reference.sql);
  sRefColSet = std::move(reference.columnSet);
  sRefColWidth = std::move(reference.columnWidth);
}

}  // namespace tarn::items
