// velloc_bench: the component benchmarks with their direct twins, then the table of ratios.
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true for medians.
#include <benchmark/benchmark.h>

#include "bench/bench_database.h"
#include "bench/direct_client.h"
#include "bench/paired_report.h"

int main(int argc, char** argv) {
  // Before any connection opens, so that every one of them reports its statements.
  tarn::bench::StatementCapture::install();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tarn::bench::PairedReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  tarn::bench::BenchDatabase::removeAll();
  return 0;
}
