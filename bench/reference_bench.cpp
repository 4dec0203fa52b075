// A keystroke in a pick-list: the reference method builds the query, then the screen runs it
// and reads every row. Each is measured beside two twins: every statement the pair sent, run
// directly through sqlite3, and the pick-list query alone, run directly (what a hand-written
// screen that knew its query would pay).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "bench/bench_database.h"
#include "bench/direct_client.h"

namespace tarn::bench {
namespace {

using automation::Variant;
using Reference = std::function<bool(velloc::clsVelloc&, std::u16string& sql)>;

bool listSource(velloc::clsVelloc& component, std::u16string& sql) {
  std::u16string colSet;
  Variant width;
  return component.GetRefSQL(0, 0, u"cdefine3", u"", u"", u"", u"华", sql, colSet, width);
}

bool archiveSource(velloc::clsVelloc& component, std::u16string& sql) {
  std::u16string colSet;
  Variant width;
  return component.GetRefSQL(1, 0, u"", u"person", u"cPersonName", u"", u"王", sql, colSet, width);
}

bool freeItem(velloc::clsVelloc& component, std::u16string& sql) {
  std::u16string colSet;
  Variant width;
  return component.GetFreeRefSQL(u"cfree2", u"大", sql, colSet, width);
}

bool structuredFreeItem(velloc::clsVelloc& component, std::u16string& sql) {
  std::u16string colSet;
  Variant width;
  return component.GetStruFreeRefSQL(u"01001", u"cFree1", u"", sql, colSet, width);
}

// The method, then its query run as a screen runs it; gives the rows read.
std::size_t referenceAndRun(BenchDatabase& database, const Reference& reference) {
  std::u16string sql;
  if (!reference(database.component(), sql)) {
    std::fprintf(stderr, "bench: the reference method failed\n");
    std::abort();
  }
  return database.runAsScreen(sql);
}

void BM_Reference(benchmark::State& state, const Reference& reference) {
  auto& database = BenchDatabase::withGenerated(0);
  std::size_t rows = 0;
  for (auto _ : state) rows = referenceAndRun(database, reference);
  state.counters["rows"] = static_cast<double>(rows);
}

std::vector<std::string> statementsOf(BenchDatabase& database, const Reference& reference) {
  return StatementCapture::of([&] { referenceAndRun(database, reference); });
}

void BM_Reference_Direct(benchmark::State& state, const Reference& reference) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto statements = statementsOf(database, reference);
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
  state.counters["statements"] = static_cast<double>(statements.size());
}

void BM_Reference_DirectPickList(benchmark::State& state, const Reference& reference) {
  auto& database = BenchDatabase::withGenerated(0);
  const std::vector<std::string> pickList{statementsOf(database, reference).back()};
  DirectClient client(database.file());
  std::size_t rows = 0;
  for (auto _ : state) rows = client.run(pickList);
  state.counters["rows"] = static_cast<double>(rows);
}

// Every statement the pair sent, prepared once and kept.
void BM_Reference_DirectPrepared(benchmark::State& state, const Reference& reference) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto statements = statementsOf(database, reference);
  DirectClient client(database.file());
  client.prepare(statements);
  for (auto _ : state) benchmark::DoNotOptimize(client.runPrepared());
  state.counters["statements"] = static_cast<double>(statements.size());
}

#define REFERENCE_TWINS(name, reference)                                                      \
  BENCHMARK_CAPTURE(BM_Reference, name, Reference(reference))->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(BM_Reference_Direct, name, Reference(reference))                          \
      ->Unit(benchmark::kMicrosecond);                                                        \
  BENCHMARK_CAPTURE(BM_Reference_DirectPickList, name, Reference(reference))                  \
      ->Unit(benchmark::kMicrosecond);                                                        \
  BENCHMARK_CAPTURE(BM_Reference_DirectPrepared, name, Reference(reference))                  \
      ->Unit(benchmark::kMicrosecond)

REFERENCE_TWINS(GetRefSQL_List, listSource);
REFERENCE_TWINS(GetFreeRefSQL, freeItem);
REFERENCE_TWINS(GetRefSQL_Archive, archiveSource);

// GetStruFreeRefSQL opens a connection of its own on every call; its twin does the same, and
// sets that connection up itself (the pragmas of the component's opening are left out).
void BM_Reference_DirectOwnConnection(benchmark::State& state, const Reference& reference) {
  auto& database = BenchDatabase::withGenerated(0);
  auto statements = statementsOf(database, reference);
  std::erase_if(statements, [](const std::string& statement) {
    return statement.find("pragma") != std::string::npos;
  });
  for (auto _ : state) {
    DirectClient client(database.file());
    benchmark::DoNotOptimize(client.run(statements));
  }
  state.counters["statements"] = static_cast<double>(statements.size());
}

BENCHMARK_CAPTURE(BM_Reference, GetStruFreeRefSQL, Reference(structuredFreeItem))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Reference_DirectOwnConnection, GetStruFreeRefSQL,
                  Reference(structuredFreeItem))
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarn::bench
