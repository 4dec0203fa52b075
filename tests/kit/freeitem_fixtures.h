// Helpers for the free-item reference tests: the three outputs as a caller passes them in
// (so a test can show they were left untouched), and the Inventory row set the structured
// reference reads.
#pragma once

#include <string>

#include "tarnvelloc/automation/variant.h"
#include "tests/kit/fake_record_set.h"

namespace tarn::testing {

struct ReferenceOutputs {
  std::u16string sRefSql = u"caller sql";
  std::u16string sRefColSet = u"caller columns";
  automation::Variant sRefColWidth = automation::Variant(std::int16_t{7});

  // The outputs in one readable text: sql | column set | width as Variant::describe shows it.
  std::string text() const;
};

// What ReferenceOutputs holds before a method writes anything.
std::string untouchedOutputs();

// An Inventory row set with one row for the code P01, whose flag column is `flagColumn`.
automation::ObjectRef inventoryRow(RecordSetTracker& recordSets, std::u16string flagColumn,
                                   automation::Variant flag);

}  // namespace tarn::testing
