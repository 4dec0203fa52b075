// A page of a pick-list as the two doors run it: the reference SQL the component built for header
// item 9, narrowed by a match, run through a window of 50 rows. Over many hits (every generated
// value matches) and few (ten match), on the first page and on a page halfway down, at 1k and
// 1M values, in the doors' ranked order. Each beside its twin: the component's statement run by
// SQLite itself with `limit 50 offset N` appended, unordered, straight through sqlite3 on the
// same file.
//
//   BM_PickList         a held connection, no total: the path the doors take once they hold
//                       their connections and count only when asked
//   BM_PickListCounted  a connection opened per call and the total counted: the doors' path today;
//                       its twin also counts, with count(*) over the same statement
//
// `peak_growth_KiB` is how far the process's peak resident memory rose above what it held before
// the benchmark ran.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_database.h"
#include "bench/direct_client.h"
#include "session/pick_list.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/held_connection.h"
#include "tarnvelloc/erp/statement.h"

namespace tarn::bench {
namespace {

using automation::Variant;

constexpr std::size_t kPage = 50;

struct Case {
  const char16_t* match;
  bool deep;  // the page starting halfway down the hits, else the first
};
const Case kManyFirst{u"GEN", false};
const Case kManyDeep{u"GEN", true};
const Case kFewFirst{u"GEN000004", false};

session::ReferenceAnswer referenceOf(BenchDatabase& database, const Case& c) {
  session::ReferenceAnswer answer;
  answer.ok = database.component().GetRefSQL(0, 0, u"cdefine9", u"", u"", u"", c.match, answer.sql,
                                             answer.columnSet, answer.columnWidth);
  if (!answer.ok) {
    std::fprintf(stderr, "bench: the reference method failed\n");
    std::abort();
  }
  return answer;
}

std::size_t offsetOf(const Case& c, std::int64_t generated) {
  return c.deep ? static_cast<std::size_t>(generated / 2) : 0;
}

// The resident memory of the process now, and the most of it since the last reset of the mark.
long residentKiB(const char* field) {
  long kib = 0;
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
      if (std::strncmp(line, field, length) == 0) kib = std::atol(line + length);
    }
    std::fclose(status);
  }
  return kib;
}

// Runs the benchmark's loop and records how far the peak resident memory rose above the
// resident memory before it (the mark is reset first, so the making of the database does not
// count).
template <typename Work>
void measured(benchmark::State& state, Work work) {
  work();  // warm: statements compiled, pages cached
  if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", clear);  // resets the peak resident mark
    std::fclose(clear);
  }
  const long before = residentKiB("VmRSS:");
  std::size_t rows = 0;
  for (auto _ : state) rows = work();
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_growth_KiB"] = static_cast<double>(residentKiB("VmHWM:") - before);
}

void BM_PickList(benchmark::State& state, const Case& c) {
  auto& database = BenchDatabase::withGenerated(static_cast<std::uint32_t>(state.range(0)));
  const auto answer = referenceOf(database, c);
  erp::HeldConnection held(database.connectionString());
  const erp::RowWindow window{offsetOf(c, state.range(0)), kPage, false};
  measured(state, [&] { return session::runPickList(held, answer, window).rows.size(); });
}

void BM_PickListCounted(benchmark::State& state, const Case& c) {
  auto& database = BenchDatabase::withGenerated(static_cast<std::uint32_t>(state.range(0)));
  const auto answer = referenceOf(database, c);
  const std::u16string connection = database.connectionString();
  const erp::RowWindow window{offsetOf(c, state.range(0)), kPage, true};
  measured(state, [&] { return session::runPickList(connection, answer, window).rows.size(); });
}

// The component's pick-list statement as SQLite runs it, its values written in: the doors order
// it inside a statement of their own, which the twin does not have to match.
std::string pickListStatement(BenchDatabase& database, const Case& c) {
  const auto answer = referenceOf(database, c);
  erp::HeldConnection held(database.connectionString());
  return StatementCapture::of([&] {
           erp::runStatement(held, answer.sql, {0, kPage, false});
         })
      .back();
}

void direct(benchmark::State& state, const Case& c, bool counted) {
  auto& database = BenchDatabase::withGenerated(static_cast<std::uint32_t>(state.range(0)));
  const std::string statement = pickListStatement(database, c);
  std::vector<std::string> statements{statement + " limit " + std::to_string(kPage) + " offset " +
                                      std::to_string(offsetOf(c, state.range(0)))};
  if (counted) statements.push_back("select count(*) from (" + statement + ")");
  DirectClient client(database.file());
  measured(state, [&] { return client.run(statements) - (counted ? 1 : 0); });
}

void BM_PickList_Direct(benchmark::State& state, const Case& c) { direct(state, c, false); }
void BM_PickListCounted_Direct(benchmark::State& state, const Case& c) { direct(state, c, true); }

#define PICK_LIST_TWINS(function, name, c)                                                      \
  BENCHMARK_CAPTURE(function, name, c)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond); \
  BENCHMARK_CAPTURE(function##_Direct, name, c)                                                 \
      ->Arg(1000)                                                                               \
      ->Arg(1000000)                                                                            \
      ->Unit(benchmark::kMicrosecond)

PICK_LIST_TWINS(BM_PickList, ManyHitsFirstPage, kManyFirst);
PICK_LIST_TWINS(BM_PickList, ManyHitsDeepPage, kManyDeep);
PICK_LIST_TWINS(BM_PickList, FewHitsFirstPage, kFewFirst);
PICK_LIST_TWINS(BM_PickListCounted, ManyHitsFirstPage, kManyFirst);
PICK_LIST_TWINS(BM_PickListCounted, FewHitsFirstPage, kFewFirst);

// A small pick-list with its SQL, as velloc and serve run one on a held connection: the
// reference method builds the SQL (header item 3 narrowed to 华: three rows of the demo data),
// then the doors' window of 50 rows runs it, ranked by the match. Beside every statement this sent,
// run directly, prepared on every call (_Direct) and prepared once and kept (_DirectPrepared).
std::size_t smallPickList(BenchDatabase& database, erp::HeldConnection& held) {
  session::ReferenceAnswer answer;
  {
    const erp::ReadTogether oneRead;  // as the doors call the reference method
    answer.ok = database.component().GetRefSQL(0, 0, u"cdefine3", u"", u"", u"", u"华", answer.sql,
                                               answer.columnSet, answer.columnWidth);
  }
  return session::runPickList(held, answer, {0, kPage, false}, session::PickOrder{u"华", {}})
      .rows.size();
}

std::vector<std::string> smallPickListStatements(BenchDatabase& database) {
  erp::HeldConnection held(database.connectionString());
  return StatementCapture::of([&] { smallPickList(database, held); });
}

void BM_SmallPickListWithItsSql(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  erp::HeldConnection held(database.connectionString());
  std::size_t rows = 0;
  for (auto _ : state) rows = smallPickList(database, held);
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_SmallPickListWithItsSql_Direct(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto statements = smallPickListStatements(database);
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
  state.counters["statements"] = static_cast<double>(statements.size());
}

void BM_SmallPickListWithItsSql_DirectPrepared(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto statements = smallPickListStatements(database);
  DirectClient client(database.file());
  client.prepare(statements);
  for (auto _ : state) benchmark::DoNotOptimize(client.runPrepared());
  state.counters["statements"] = static_cast<double>(statements.size());
}

BENCHMARK(BM_SmallPickListWithItsSql)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallPickListWithItsSql_Direct)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallPickListWithItsSql_DirectPrepared)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarn::bench
