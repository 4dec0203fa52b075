#include "bench/bench_database.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tarnvelloc/automation/factory.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/demo_database.h"

namespace tarn::bench {
namespace {

using automation::Argument;
using automation::Variant;

std::map<std::uint32_t, std::unique_ptr<BenchDatabase>>& databases() {
  static std::map<std::uint32_t, std::unique_ptr<BenchDatabase>> made;
  return made;
}

}  // namespace

BenchDatabase& BenchDatabase::withGenerated(std::uint32_t generated) {
  auto& made = databases();
  auto& slot = made[generated];
  if (!slot) slot.reset(new BenchDatabase(generated));
  return *slot;
}

void BenchDatabase::removeAll() { databases().clear(); }

BenchDatabase::BenchDatabase(std::uint32_t generated) {
  folder_ = std::filesystem::temp_directory_path() /
            ("velloc-bench-" + std::to_string(generated) + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_);
  file_ = folder_ / "erp.db";
  erp::createDemoDatabase(file_);
  erp::addGeneratedValues(file_, generated);
  erp::registerComponents();
  component_ = std::make_unique<velloc::clsVelloc>();
  if (!component_->Init(connectionString(), u"demo")) {
    std::fprintf(stderr, "bench: the component did not initialise\n");
    std::abort();
  }
  connection_ = automation::CreateObject(u"ADODB.Connection");
  connection_->call(u"Open", {Argument::byValue(Variant(connectionString()))});
}

BenchDatabase::~BenchDatabase() {
  connection_.reset();
  component_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::u16string BenchDatabase::connectionString() const {
  return erp::sqliteConnectionString(file_);
}

std::size_t BenchDatabase::runAsScreen(const std::u16string& sql) {
  const auto rows = connection_->call(u"Execute", {Argument::byValue(Variant(sql))}).toObject();
  std::size_t count = 0;
  while (!rows->call(u"EOF").toBoolean()) {
    const auto fields = rows->call(u"Fields").toObject();
    const std::int32_t columns = fields->call(u"Count").toLong();
    for (std::int32_t column = 0; column < columns; ++column) {
      const auto field = fields->call(u"Item", {Argument::byValue(Variant(column))}).toObject();
      benchmark::DoNotOptimize(field->call(u"Value"));
    }
    rows->call(u"MoveNext");
    ++count;
  }
  rows->call(u"Close");
  return count;
}

}  // namespace tarn::bench
