// The component's own cost per call: every working method against outside components that
// answer from memory (in_memory_services.h), so that no database is reached while timing.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/bench_database.h"
#include "bench/in_memory_services.h"

namespace tarn::bench {
namespace {

using automation::Variant;
using Call = std::function<void(velloc::clsVelloc&)>;

void BM_InMemory(benchmark::State& state, const Call& call) {
  const std::u16string connection = BenchDatabase::withGenerated(1000).connectionString();
  InMemoryWorld world;
  velloc::clsVelloc component;
  if (!component.Init(connection, u"demo")) {
    std::fprintf(stderr, "bench: the component did not initialise\n");
    std::abort();
  }
  call(component);  // the services learn their answers
  world.seal();
  for (auto _ : state) call(component);
}

void validateAliasList(velloc::clsVelloc& component) {
  std::u16string value = u"G500";
  if (component.ValidateAr(0, 0, u"cdefine9", u"", u"", value, u"", false) != 0) std::abort();
}

void validateAliasArchive(velloc::clsVelloc& component) {
  std::u16string value = u"G500";
  if (component.ValidateAr(1, 0, u"cdefine9", u"customer", u"cCusCode", value, u"", false) != 0) {
    std::abort();
  }
}

void validateFree(velloc::clsVelloc& component) {
  std::u16string value = u"特大";
  if (component.ValidateFreeAr(u"cfree2", value, false) != 0) std::abort();
}

void refList(velloc::clsVelloc& component) {
  std::u16string sql, colSet;
  Variant width;
  if (!component.GetRefSQL(0, 0, u"cdefine3", u"", u"", u"", u"华", sql, colSet, width)) {
    std::abort();
  }
}

void refArchive(velloc::clsVelloc& component) {
  std::u16string sql, colSet;
  Variant width;
  if (!component.GetRefSQL(1, 0, u"", u"person", u"cPersonName", u"", u"王", sql, colSet, width)) {
    std::abort();
  }
}

void refFree(velloc::clsVelloc& component) {
  std::u16string sql, colSet;
  Variant width;
  if (!component.GetFreeRefSQL(u"cfree2", u"大", sql, colSet, width)) std::abort();
}

void refStructuredFree(velloc::clsVelloc& component) {
  std::u16string sql, colSet;
  Variant width;
  if (!component.GetStruFreeRefSQL(u"01001", u"cFree1", u"", sql, colSet, width)) std::abort();
}

BENCHMARK_CAPTURE(BM_InMemory, ValidateAr_AliasList, Call(validateAliasList));
BENCHMARK_CAPTURE(BM_InMemory, ValidateAr_AliasArchive, Call(validateAliasArchive));
BENCHMARK_CAPTURE(BM_InMemory, ValidateFreeAr_Alias, Call(validateFree));
BENCHMARK_CAPTURE(BM_InMemory, GetRefSQL_List, Call(refList));
BENCHMARK_CAPTURE(BM_InMemory, GetRefSQL_Archive, Call(refArchive));
BENCHMARK_CAPTURE(BM_InMemory, GetFreeRefSQL, Call(refFree));
BENCHMARK_CAPTURE(BM_InMemory, GetStruFreeRefSQL, Call(refStructuredFree));

}  // namespace
}  // namespace tarn::bench
