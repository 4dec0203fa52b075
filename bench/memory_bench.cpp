// Resident memory over a million validations in one process: read at every hundred thousand
// calls and reported as counters (rss_0k ... rss_1000k, in KiB), which should stay flat once
// the first calls have filled what is kept (compiled statements, layouts).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/bench_database.h"

namespace tarn::bench {
namespace {

double residentKiB() {
  long pages = 0;
  long resident = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

void BM_Memory_MillionValidations(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(1000000);
  constexpr std::int64_t kEvery = 100000;
  std::int64_t done = 0;
  state.counters["rss_0k"] = residentKiB();
  for (auto _ : state) {
    std::u16string value = (done & 1) ? u"G500" : u"GEN0000777";
    benchmark::DoNotOptimize(
        database.component().ValidateAr(0, 0, u"cdefine9", u"", u"", value, u"", false));
    if (++done % kEvery == 0) {
      state.counters["rss_" + std::to_string(done / 1000) + "k"] = residentKiB();
    }
  }
}
BENCHMARK(BM_Memory_MillionValidations)
    ->Iterations(1000000)
    ->Repetitions(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarn::bench
