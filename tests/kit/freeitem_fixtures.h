// The Inventory row set that the structured free-item reference reads.
#pragma once

#include <string>

#include "tarnvelloc/automation/variant.h"
#include "tests/kit/fake_record_set.h"

namespace tarn::testing {

// An Inventory row set with one row for the code P01, whose flag column is `flagColumn`.
automation::ObjectRef inventoryRow(RecordSetTracker& recordSets, std::u16string flagColumn,
                                   automation::Variant flag);

}  // namespace tarn::testing
