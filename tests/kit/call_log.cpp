#include "tests/kit/call_log.h"

#include "tarnvelloc/automation/text.h"

namespace tarn::testing {

std::optional<Fault> CallLog::record(const std::string& component, std::u16string_view operation,
                                     std::span<const automation::Argument> args) {
  std::string line = component + "." + automation::toUtf8(operation) + "(";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i > 0) line += ", ";
    if (args[i].isByRef()) line += "&";
    line += args[i].value().describe();
  }
  line += ")";
  recordLine(line);
  if (injection_ && injection_->first == lines_.size()) return injection_->second;
  return std::nullopt;
}

void CallLog::recordLine(const std::string& line) { lines_.push_back(line); }

std::string CallLog::text() const {
  std::string out;
  for (const auto& line : lines_) out += line + "\n";
  return out;
}

}  // namespace tarn::testing
