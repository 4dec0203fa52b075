#include "tests/kit/freeitem_fixtures.h"

namespace tarn::testing {

automation::ObjectRef inventoryRow(RecordSetTracker& recordSets, std::u16string flagColumn,
                                   automation::Variant flag) {
  return recordSets.make(
      Rows{{u"cInvCode", std::move(flagColumn)}, {{automation::Variant(u"P01"), std::move(flag)}}});
}

}  // namespace tarn::testing
