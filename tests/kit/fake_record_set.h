// Fake record sets for the component's unit tests: rows given in the test, read through the
// same BOF / EOF / Fields / Item / Value / MoveNext / Close operations the real ones offer.
// A RecordSetTracker counts what happened to every set it made, so a test can assert that a
// set was closed, that it was released without being closed, and that nothing leaked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"

namespace tarn::testing {

struct Rows {
  std::vector<std::u16string> columns;
  std::vector<std::vector<automation::Variant>> values;
};

class RecordSetTracker {
 public:
  // A new record set over `rows`, positioned on its first row.
  automation::ObjectRef make(Rows rows);
  // A record set without rows (BOF and EOF both true).
  automation::ObjectRef empty(std::vector<std::u16string> columns = {});

  int created() const { return static_cast<int>(sets_.size()); }
  int closed() const;
  // Record sets still referenced by someone.
  int alive() const;
  // Record sets that were released without Close being called.
  int releasedWithoutClose() const;

 private:
  struct Entry {
    std::weak_ptr<automation::Object> object;
    std::shared_ptr<int> closeCount;
  };
  std::vector<Entry> sets_;
};

}  // namespace tarn::testing
