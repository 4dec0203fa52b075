// A demo database in a temporary folder with `generated` extra archived values for header
// item 1, and a component initialised over it through the real outside components.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "component/clsVelloc.h"
#include "tarnvelloc/erp/components.h"
#include "tarnvelloc/erp/demo_database.h"

namespace tarn::bench {

class BenchDatabase {
 public:
  explicit BenchDatabase(std::uint32_t generated) {
    folder_ = std::filesystem::temp_directory_path() /
              ("velloc-bench-" + std::to_string(generated) + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    const auto file = folder_ / "erp.db";
    erp::createDemoDatabase(file);
    erp::addGeneratedValues(file, generated);
    erp::registerComponents();
    component_ = std::make_unique<velloc::clsVelloc>();
    component_->Init(erp::sqliteConnectionString(file), u"demo");
  }
  ~BenchDatabase() {
    component_.reset();
    std::filesystem::remove_all(folder_);
  }

  velloc::clsVelloc& component() { return *component_; }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<velloc::clsVelloc> component_;
};

}  // namespace tarn::bench
