// TemporaryDemoDatabase is a freshly created demo database, erp.db, alone in a temporary folder
// of its own; the folder and everything in it go with the object. For tests that link the
// outside components (tarn_erp).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "tarnvelloc/erp/demo_database.h"
#include "tests/kit/temporary_folder.h"

namespace tarn::testing {

class TemporaryDemoDatabase {
 public:
  explicit TemporaryDemoDatabase(std::string_view prefix) : folder_(prefix) {
    erp::createDemoDatabase(path_);
  }

  const std::filesystem::path& folder() const { return folder_.path(); }
  const std::filesystem::path& path() const { return path_; }
  std::u16string connectionString() const { return erp::sqliteConnectionString(path_); }

 private:
  TemporaryFolder folder_;
  std::filesystem::path path_ = folder_ / "erp.db";
};

}  // namespace tarn::testing
