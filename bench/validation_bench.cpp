// Validating typed values through the real outside components, each beside its twin: the same
// statements run directly through sqlite3 (direct_client.h). The UserDefine lookups by value
// and by alias are index searches, so the time per call should not move from a thousand to a
// million archived values.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/bench_database.h"
#include "bench/direct_client.h"
#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/erp/components.h"

namespace tarn::bench {
namespace {

using automation::Argument;
using automation::Variant;

struct Validation {
  std::int16_t source;  // 0 list, 1 archive
  const char16_t* table;
  const char16_t* field;
  const char16_t* value;
};

const Validation kKnownValue{0, u"", u"", u"GEN0000500"};
const Validation kAliasList{0, u"", u"", u"G500"};
const Validation kAliasArchive{1, u"customer", u"cCusCode", u"G500"};
const Validation kFoundNowhere{0, u"", u"", u"nowhere"};

std::int16_t validate(BenchDatabase& database, const Validation& v) {
  std::u16string value = v.value;
  return database.component().ValidateAr(v.source, 0, u"cdefine9", v.table, v.field, value, u"",
                                         false);
}

BenchDatabase& databaseFor(const benchmark::State& state) {
  return BenchDatabase::withGenerated(static_cast<std::uint32_t>(state.range(0)));
}

void BM_ValidateAr(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  for (auto _ : state) benchmark::DoNotOptimize(validate(database, v));
}

void BM_ValidateAr_Direct(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  const auto statements = StatementCapture::of([&] { validate(database, v); });
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
  state.counters["statements"] = static_cast<double>(statements.size());
}

// A validation as a host holding its reads together runs it (tarnvelloc/erp/components.h:
// ReadTogether), beside the same statements inside one read transaction run directly.
void BM_ValidateArReadTogether(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  for (auto _ : state) {
    const erp::ReadTogether together;
    benchmark::DoNotOptimize(validate(database, v));
  }
}

void BM_ValidateArReadTogether_Direct(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  auto statements = StatementCapture::of([&] { validate(database, v); });
  state.counters["statements"] = static_cast<double>(statements.size());
  statements.insert(statements.begin(), "begin deferred");
  statements.push_back("commit");
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
}

void BM_ValidateArReadTogether_DirectPrepared(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  auto statements = StatementCapture::of([&] { validate(database, v); });
  state.counters["statements"] = static_cast<double>(statements.size());
  statements.insert(statements.begin(), "begin deferred");
  statements.push_back("commit");
  DirectClient client(database.file());
  client.prepare(statements);
  for (auto _ : state) benchmark::DoNotOptimize(client.runPrepared());
}

#define READ_TOGETHER_PAIR(name, validation)                                    \
  BENCHMARK_CAPTURE(BM_ValidateArReadTogether, name, validation)                \
      ->Arg(1000)                                                               \
      ->Arg(1000000)                                                            \
      ->Unit(benchmark::kMicrosecond);                                          \
  BENCHMARK_CAPTURE(BM_ValidateArReadTogether_Direct, name, validation)         \
      ->Arg(1000)                                                               \
      ->Arg(1000000)                                                            \
      ->Unit(benchmark::kMicrosecond);                                          \
  BENCHMARK_CAPTURE(BM_ValidateArReadTogether_DirectPrepared, name, validation) \
      ->Arg(1000)                                                               \
      ->Arg(1000000)                                                            \
      ->Unit(benchmark::kMicrosecond)

READ_TOGETHER_PAIR(AliasList, kAliasList);
READ_TOGETHER_PAIR(AliasArchive, kAliasArchive);
READ_TOGETHER_PAIR(FoundNowhere, kFoundNowhere);

void BM_ValidateAr_DirectPrepared(benchmark::State& state, const Validation& v) {
  auto& database = databaseFor(state);
  const auto statements = StatementCapture::of([&] { validate(database, v); });
  DirectClient client(database.file());
  client.prepare(statements);
  for (auto _ : state) benchmark::DoNotOptimize(client.runPrepared());
  state.counters["statements"] = static_cast<double>(statements.size());
}

#define VALIDATION_PAIR(name, validation)                           \
  BENCHMARK_CAPTURE(BM_ValidateAr, name, validation)                \
      ->Arg(1000)                                                   \
      ->Arg(100000)                                                 \
      ->Arg(1000000)                                                \
      ->Unit(benchmark::kMicrosecond);                              \
  BENCHMARK_CAPTURE(BM_ValidateAr_Direct, name, validation)         \
      ->Arg(1000)                                                   \
      ->Arg(100000)                                                 \
      ->Arg(1000000)                                                \
      ->Unit(benchmark::kMicrosecond);                              \
  BENCHMARK_CAPTURE(BM_ValidateAr_DirectPrepared, name, validation) \
      ->Arg(1000)                                                   \
      ->Arg(100000)                                                 \
      ->Arg(1000000)                                                \
      ->Unit(benchmark::kMicrosecond)

VALIDATION_PAIR(AliasList, kAliasList);
VALIDATION_PAIR(AliasArchive, kAliasArchive);
VALIDATION_PAIR(KnownValue, kKnownValue);
VALIDATION_PAIR(FoundNowhere, kFoundNowhere);

std::int16_t validateFree(BenchDatabase& database) {
  std::u16string value = u"特大";
  return database.component().ValidateFreeAr(u"cfree2", value, false);
}

void BM_ValidateFreeAr_Alias(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  for (auto _ : state) benchmark::DoNotOptimize(validateFree(database));
}
BENCHMARK(BM_ValidateFreeAr_Alias)->Unit(benchmark::kMicrosecond);

void BM_ValidateFreeAr_Alias_Direct(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto statements = StatementCapture::of([&] { validateFree(database); });
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
  state.counters["statements"] = static_cast<double>(statements.size());
}
BENCHMARK(BM_ValidateFreeAr_Alias_Direct)->Unit(benchmark::kMicrosecond);

// The component's money-column question as its voucher data service receives it: the
// catalogue query, the record set, the count read from it.
const std::u16string kMoneyQuery =
    u"select count(*) from sysobjects, syscolumns, systypes where sysobjects.id = syscolumns.id "
    u"and sysobjects.xtype = 'u' and sysobjects.name = 'customer'and syscolumns.xusertype = "
    u"systypes.xtype and (systypes.name = 'money' or systypes.name = 'smallmoney') and "
    u"syscolumns.name = 'iCreditLine'";

std::int32_t askMoneyColumn(const automation::ObjectRef& voucherData) {
  const auto rows =
      voucherData->call(u"OpenX", {Argument::byValue(Variant(kMoneyQuery))}).toObject();
  const auto fields = rows->call(u"Fields").toObject();
  const auto count = fields->call(u"Item", {Argument::byValue(Variant(std::int16_t{0}))})
                         .toObject()
                         ->call(u"Value");
  rows->call(u"Close");
  return count.toLong();
}

automation::ObjectRef voucherDataOn(BenchDatabase& database) {
  auto service = automation::CreateObject(u"TarnVoucherSvc.IVoucherSvc");
  service->call(u"Init", {Argument::byValue(Variant(database.connectionString()))});
  return service;
}

void BM_MoneyColumnCheck(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto service = voucherDataOn(database);
  for (auto _ : state) benchmark::DoNotOptimize(askMoneyColumn(service));
}
BENCHMARK(BM_MoneyColumnCheck)->Unit(benchmark::kMicrosecond);

void BM_MoneyColumnCheck_Direct(benchmark::State& state) {
  auto& database = BenchDatabase::withGenerated(0);
  const auto service = voucherDataOn(database);
  const auto statements = StatementCapture::of([&] { askMoneyColumn(service); });
  DirectClient client(database.file());
  for (auto _ : state) benchmark::DoNotOptimize(client.run(statements));
  state.counters["statements"] = static_cast<double>(statements.size());
}
BENCHMARK(BM_MoneyColumnCheck_Direct)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarn::bench
