// CallLog records every call that the fake outside components receive, in order, as one line
// each: "Component.Operation(arg, arg, ...)", by-reference arguments marked with '&' and shown
// as they were when the call arrived (strings quoted, Integers with '%', Longs with '&').
// Creations through the fake factory are logged too ("create ProgID").
//
// A test compares the whole log with one expected text. The log can also inject a fault at its
// n-th entry, so a test can sweep a failure over every call a method makes.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tarnvelloc/automation/object.h"

namespace tarn::testing {

enum class Fault {
  kRaise,      // the call raises AutomationError
  kNull,       // the call returns Null
  kWrongKind,  // the call returns the wrong kind (text where an object is expected, else an object)
};

class CallLog {
 public:
  // Appends one line; returns the fault to apply to this call, if one was injected for it.
  std::optional<Fault> record(const std::string& component, std::u16string_view operation,
                              std::span<const automation::Argument> args);
  void recordLine(const std::string& line);

  // Injects `fault` at the call that becomes entry number `index` (1-based).
  void injectAt(std::size_t index, Fault fault) { injection_ = {index, fault}; }

  const std::vector<std::string>& lines() const { return lines_; }
  std::size_t size() const { return lines_.size(); }
  // The whole log, one line per call, each followed by '\n'.
  std::string text() const;
  void clear() { lines_.clear(); }

 private:
  std::vector<std::string> lines_;
  std::optional<std::pair<std::size_t, Fault>> injection_;
};

}  // namespace tarn::testing
