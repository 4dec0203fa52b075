// velloc_pg_bench: pick-lists on PostgreSQL as the doors run them (the component's SQL through a
// window of 50 rows on a held psqlODBC connection) beside libpq running the very same SQL, adapted
// as the backend adapts it, its values written in, with `limit 50` appended, reading every value.
// Run against a throwaway cluster (scripts/postgres.sh sets TARN_TEST_POSTGRES and the socket):
//
//   bash scripts/postgres.sh build/default/bin/velloc_pg_bench --benchmark_repetitions=5
//     --benchmark_report_aggregates_only=true   (one line)
//
// The database gets the demo company and VELLOC_PG_BENCH_VALUES generated values of header
// item 9 (default 1,000,000), then ANALYZE. Many hits: the match GEN (every generated value);
// few: GEN000004 (ten values); small: header item 3 narrowed to 华 (three rows). The ratios are
// of wall-clock times: the work is the server's.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "bench/paired_report.h"
#include "component/clsVelloc.h"
#include "erp/db/dialect.h"
#include "erp/db/open_database.h"
#include "session/pick_list.h"
#include "tarnvelloc/automation/text.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/demo_database.h"
#include "tarnvelloc/erp/held_connection.h"

namespace tarn::bench {
namespace {

constexpr std::size_t kPage = 50;

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "velloc_pg_bench: %s\n", why.c_str());
  std::exit(1);
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) fail(std::string(name) + " is not set: run through scripts/postgres.sh");
  return value;
}

struct Fixture {
  std::u16string odbc;
  PGconn* libpq = nullptr;
  std::unique_ptr<velloc::clsVelloc> component;
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

session::ReferenceAnswer referenceOf(const char16_t* item, const char16_t* match) {
  session::ReferenceAnswer answer;
  answer.ok = fixture().component->GetRefSQL(0, 0, item, u"", u"", u"", match, answer.sql,
                                             answer.columnSet, answer.columnWidth);
  if (!answer.ok) fail("the reference method failed");
  return answer;
}

struct Case {
  const char16_t* item;
  const char16_t* match;
};
const Case kMany{u"cdefine9", u"GEN"};
const Case kFew{u"cdefine9", u"GEN000004"};
const Case kSmall{u"cdefine3", u"华"};

void BM_PgPickList(benchmark::State& state, const Case& c) {
  const auto answer = referenceOf(c.item, c.match);
  erp::HeldConnection held(fixture().odbc);
  std::size_t rows = 0;
  for (auto _ : state) rows = session::runPickList(held, answer, {0, kPage, false}).rows.size();
  state.counters["rows"] = static_cast<double>(rows);
}

// The reference method too, every call: the small pick-list as a keystroke costs it.
void BM_PgPickListWithItsSql(benchmark::State& state, const Case& c) {
  erp::HeldConnection held(fixture().odbc);
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto answer = referenceOf(c.item, c.match);
    rows = session::runPickList(held, answer, {0, kPage, false}).rows.size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}

void BM_PgPickList_DirectLibpq(benchmark::State& state, const Case& c) {
  const std::string sql =
      automation::toUtf8(erp::db::adaptToPostgreSql(referenceOf(c.item, c.match).sql)) + " limit " +
      std::to_string(kPage);
  std::size_t rows = 0;
  for (auto _ : state) {
    PGresult* result = PQexec(fixture().libpq, sql.c_str());
    if (PQresultStatus(result) != PGRES_TUPLES_OK) fail(PQresultErrorMessage(result));
    rows = static_cast<std::size_t>(PQntuples(result));
    std::size_t touched = 0;
    for (int r = 0; r < PQntuples(result); ++r) {
      for (int f = 0; f < PQnfields(result); ++f) touched += std::strlen(PQgetvalue(result, r, f));
    }
    benchmark::DoNotOptimize(touched);
    PQclear(result);
  }
  state.counters["rows"] = static_cast<double>(rows);
}
void BM_PgPickListWithItsSql_DirectLibpq(benchmark::State& state, const Case& c) {
  BM_PgPickList_DirectLibpq(state, c);
}

BENCHMARK_CAPTURE(BM_PgPickList, ManyHitsFirstPage, kMany)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PgPickList_DirectLibpq, ManyHitsFirstPage, kMany)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PgPickList, FewHitsFirstPage, kFew)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PgPickList_DirectLibpq, FewHitsFirstPage, kFew)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PgPickListWithItsSql, Small, kSmall)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PgPickListWithItsSql_DirectLibpq, Small, kSmall)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarn::bench

int main(int argc, char** argv) {
  using namespace tarn;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  auto& f = bench::fixture();
  f.odbc = automation::fromUtf8(bench::environment("TARN_TEST_POSTGRES"));
  const char* values = std::getenv("VELLOC_PG_BENCH_VALUES");
  const auto generated = static_cast<std::uint32_t>(values ? std::atol(values) : 1000000);
  erp::fillDemoCompany(f.odbc);
  erp::addGeneratedValuesAt(f.odbc, generated);
  erp::db::openDatabase(f.odbc)->executeScript(u"analyze");
  const std::string libpq = "host=" + bench::environment("TARN_POSTGRES_SOCKET_DIR") +
                            " port=" + bench::environment("TARN_POSTGRES_PORT") +
                            " dbname=" + bench::environment("TARN_POSTGRES_DATABASE") +
                            " user=postgres";
  f.libpq = PQconnectdb(libpq.c_str());
  if (PQstatus(f.libpq) != CONNECTION_OK) bench::fail(PQerrorMessage(f.libpq));
  erp::registerComponents();
  f.component = std::make_unique<velloc::clsVelloc>();
  if (!f.component->Init(f.odbc, u"demo")) bench::fail("the component did not initialise");
  std::printf("PostgreSQL, %u generated values\n", generated);
  bench::PairedReporter reporter(true);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  f.component.reset();
  PQfinish(f.libpq);
  return 0;
}
