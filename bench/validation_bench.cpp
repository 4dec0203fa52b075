// Validating typed values against archives of growing size: the UserDefine lookups by value and
// by alias must stay index lookups, so the time per call should barely move from a thousand to
// a million archived values.
#include <benchmark/benchmark.h>

#include "bench/bench_database.h"

namespace tarn::bench {
namespace {

void validate(benchmark::State& state, const std::u16string& typed) {
  BenchDatabase database(static_cast<std::uint32_t>(state.range(0)));
  for (auto _ : state) {
    std::u16string value = typed;
    benchmark::DoNotOptimize(
        database.component().ValidateAr(0, 0, u"cdefine9", u"", u"", value, u"", false));
  }
}

void BM_ValidateAr_KnownValue(benchmark::State& state) { validate(state, u"GEN0000500"); }
void BM_ValidateAr_Alias(benchmark::State& state) { validate(state, u"G500"); }
void BM_ValidateAr_FoundNowhere(benchmark::State& state) { validate(state, u"nowhere"); }

BENCHMARK(BM_ValidateAr_KnownValue)->RangeMultiplier(100)->Range(1000, 1000000);
BENCHMARK(BM_ValidateAr_Alias)->RangeMultiplier(100)->Range(1000, 1000000);
BENCHMARK(BM_ValidateAr_FoundNowhere)->RangeMultiplier(100)->Range(1000, 1000000);

void BM_ValidateFreeAr_Alias(benchmark::State& state) {
  BenchDatabase database(0);
  for (auto _ : state) {
    std::u16string value = u"特大";
    benchmark::DoNotOptimize(database.component().ValidateFreeAr(u"cfree2", value, false));
  }
}
BENCHMARK(BM_ValidateFreeAr_Alias);

}  // namespace
}  // namespace tarn::bench
