// Fake record sets for the component's unit tests: rows given in the test, read through the
// same BOF / EOF / Fields / Item / Value / MoveNext / Close operations the real ones offer.
// A RecordSetTracker counts what happened to every set it made, so a test can assert that a
// set was closed, that it was released without being closed, and that nothing leaked.
//
// The tracker also counts the record-set operations themselves, over all its sets, and can
// make the n-th of them raise: record sets are not FakeComponents, so these operations never
// appear in the CallLog and a CallLog fault cannot reach them.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tarnvelloc/automation/object.h"

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

  // Makes the n-th record-set operation (1-based, counted over every set this tracker made,
  // Item and Value included) raise AutomationError instead of doing its work.
  void raiseAtOperation(int n) { operations_->raiseAt = n; }
  // Record-set operations performed so far, the one that raised included.
  int operations() const { return static_cast<int>(operations_->names.size()); }
  // Their names in order ("BOF", "EOF", "Fields", "Item", "Value", "MoveNext", "Close").
  const std::vector<std::string>& operationNames() const { return operations_->names; }

  // Shared by the tracker and its record sets, which may outlive it.
  struct Operations {
    std::vector<std::string> names;
    std::optional<int> raiseAt;
    // Counts one operation; raises when it is the one chosen to fail.
    void perform(const char* name);
  };

 private:
  struct Entry {
    std::weak_ptr<automation::Object> object;
    std::shared_ptr<int> closeCount;
  };
  std::vector<Entry> sets_;
  std::shared_ptr<Operations> operations_ = std::make_shared<Operations>();
};

}  // namespace tarn::testing
