// RecordSet is the component's handle on a record set that an outside component returned
// (archive or voucher data, column settings, or a connection of the component's own). It
// reads the set through the operations BOF, EOF, Fields, Item and Value, steps with MoveNext
// and closes with Close.
//
// Ownership: the handle holds one counted reference. close() calls Close and then drops the
// reference; when a failure unwinds, the destructor only drops the reference and never calls
// Close. Every failure raises AutomationError.
#pragma once

#include <cstdint>
#include <string_view>

#include "tarnvelloc/automation/object.h"

namespace tarn::services {

class RecordSet {
 public:
  // Takes an operation's result, which must be an object (kObjectRequired otherwise). A null
  // reference is kept; the first use of it raises kObjectNotSet.
  explicit RecordSet(const automation::Variant& result);
  RecordSet(RecordSet&&) noexcept = default;
  RecordSet& operator=(RecordSet&&) noexcept = default;
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;
  ~RecordSet() = default;

  bool bof();
  bool eof();
  // BOF and EOF both true: the set has no rows.
  bool hasNoRows() { return bof() && eof(); }

  // The value of a field of the current row, by name or by position.
  automation::Variant field(std::u16string_view name);
  automation::Variant field(std::int16_t index);

  void moveNext();
  // Calls Close, then releases the record set.
  void close();

 private:
  automation::Variant fieldByKey(automation::Variant key);

  automation::ObjectRef object_;
};

}  // namespace tarn::services
