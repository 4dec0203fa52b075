// Building reference queries through the real outside components: the cost is the column-
// settings round trips and, for the list source, nothing that grows with the archive.
#include <benchmark/benchmark.h>

#include "bench/bench_database.h"

namespace tarn::bench {
namespace {

void BM_GetRefSQL_ListSource(benchmark::State& state) {
  BenchDatabase database(static_cast<std::uint32_t>(state.range(0)));
  std::u16string sql, colSet;
  automation::Variant width;
  for (auto _ : state) {
    const bool ok = database.component().GetRefSQL(0, 0, u"cdefine9", u"", u"", u"", u"GEN00001",
                                                   sql, colSet, width);
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_GetRefSQL_ListSource)->Arg(1000);

void BM_GetRefSQL_ArchiveSource(benchmark::State& state) {
  BenchDatabase database(0);
  std::u16string sql, colSet;
  automation::Variant width;
  for (auto _ : state) {
    const bool ok = database.component().GetRefSQL(1, 0, u"", u"person", u"cPersonName", u"", u"王",
                                                   sql, colSet, width);
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_GetRefSQL_ArchiveSource);

void BM_GetStruFreeRefSQL(benchmark::State& state) {
  BenchDatabase database(0);
  std::u16string sql, colSet;
  automation::Variant width;
  for (auto _ : state) {
    const bool ok =
        database.component().GetStruFreeRefSQL(u"01001", u"cFree1", u"", sql, colSet, width);
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_GetStruFreeRefSQL);

}  // namespace
}  // namespace tarn::bench
