// The databases the benchmarks run against: a demo database in a temporary folder with
// `generated` extra archived values for header item 9 (cdefine9; GEN0000500 has the alias G500),
// made once per size for the whole run (a million values take seconds to make), with a
// component initialised over it through the real outside components, and an open connection
// object through which the SQL a reference method returns is run, as a screen runs it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "component/clsVelloc.h"
#include "tarnvelloc/automation/object.h"

namespace tarn::bench {

class BenchDatabase {
 public:
  // The database with `generated` extra values, made on first use.
  static BenchDatabase& withGenerated(std::uint32_t generated);
  // Removes every database made (at the end of the run).
  static void removeAll();

  ~BenchDatabase();
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;

  velloc::clsVelloc& component() { return *component_; }
  const std::filesystem::path& file() const { return file_; }
  std::u16string connectionString() const;

  // Runs SQL Server-dialect text through the connection object and reads every field of every
  // row, as a screen filling its pick-list does; gives the number of rows.
  std::size_t runAsScreen(const std::u16string& sql);

 private:
  explicit BenchDatabase(std::uint32_t generated);

  std::filesystem::path folder_;
  std::filesystem::path file_;
  std::unique_ptr<velloc::clsVelloc> component_;
  automation::ObjectRef connection_;
};

}  // namespace tarn::bench
