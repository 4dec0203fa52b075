#include "tests/kit/freeitem_fixtures.h"

#include "tests/kit/printers.h"

namespace tarn::testing {

std::string ReferenceOutputs::text() const {
  return utf8(sRefSql) + " | " + utf8(sRefColSet) + " | " + sRefColWidth.describe();
}

std::string untouchedOutputs() { return ReferenceOutputs{}.text(); }

automation::ObjectRef inventoryRow(RecordSetTracker& recordSets, std::u16string flagColumn,
                                   automation::Variant flag) {
  return recordSets.make(
      Rows{{u"cInvCode", std::move(flagColumn)}, {{automation::Variant(u"P01"), std::move(flag)}}});
}

}  // namespace tarn::testing
