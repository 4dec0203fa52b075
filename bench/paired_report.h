// The console report of the benchmarks, followed by the ratio of each component benchmark to its
// twins: a twin is named after its benchmark with a suffix starting with "_Direct"
// (BM_ValidateAr_Direct/AliasList/1000 pairs with BM_ValidateAr/AliasList/1000). Times are CPU
// times per call, the median when the run is repeated. The resident-memory readings of the
// memory benchmark follow.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tarn::bench {

class PairedReporter : public benchmark::ConsoleReporter {
 public:
  // With `wallClock`, the ratios are of real times rather than CPU times: for work done in
  // another process, such as a database server.
  explicit PairedReporter(bool wallClock = false) : wallClock_(wallClock) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::vector<std::string> order_;           // benchmark names, in the order they ran
  std::map<std::string, double> micros_;     // name → CPU microseconds per call
  std::map<std::string, double> memoryKiB_;  // counter → resident KiB
  bool wallClock_;
};

}  // namespace tarn::bench
