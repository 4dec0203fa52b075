#include "bench/paired_report.h"

#include <cstdio>
#include <ostream>

namespace tarn::bench {
namespace {

constexpr std::string_view kTwinMark = "_Direct";

std::string nameOf(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_name.args.empty() ? run.run_name.function_name
                                   : run.run_name.function_name + "/" + run.run_name.args;
}

std::string format(double value, const char* pattern) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

}  // namespace

void PairedReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const auto& run : runs) {
    if (run.error_occurred) continue;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    if (!median && !single) continue;
    const std::string name = nameOf(run);
    const double seconds = (wallClock_ ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) /
                           benchmark::GetTimeUnitMultiplier(run.time_unit);
    if (!micros_.contains(name)) order_.push_back(name);
    micros_[name] = seconds * 1e6;
    for (const auto& [counter, value] : run.counters) {
      if (counter.starts_with("rss_")) memoryKiB_[counter] = value.value;
    }
  }
}

void PairedReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  out << "\n| benchmark | project µs | twin | direct µs | ratio |\n|---|---|---|---|---|\n";
  for (const auto& twin : order_) {
    const auto mark = twin.find(kTwinMark);
    if (mark == std::string::npos || mark > twin.find('/')) continue;
    const auto suffixEnd = twin.find('/', mark);
    const std::string kind = twin.substr(mark + 1, suffixEnd - mark - 1);
    const std::string project =
        twin.substr(0, mark) + (suffixEnd == std::string::npos ? "" : twin.substr(suffixEnd));
    const auto found = micros_.find(project);
    if (found == micros_.end()) continue;
    out << "| " << project << " | " << format(found->second, "%.2f") << " | " << kind << " | "
        << format(micros_[twin], "%.2f") << " | " << format(found->second / micros_[twin], "%.2f")
        << "× |\n";
  }
  if (!memoryKiB_.empty()) {
    out << "\n| resident memory after | KiB |\n|---|---|\n";
    for (int thousands = 0; thousands <= 1000; thousands += 100) {
      const auto reading = memoryKiB_.find("rss_" + std::to_string(thousands) + "k");
      if (reading == memoryKiB_.end()) continue;
      out << "| " << thousands << "k validations | " << format(reading->second, "%.0f") << " |\n";
    }
  }
}

}  // namespace tarn::bench
