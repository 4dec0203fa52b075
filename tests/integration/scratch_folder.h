// A folder of a test's own under the system's temporary folder, removed with all it holds when
// the test is done; and the check of an expected failure, by code and whole message.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <string_view>

#include "tarnvelloc/automation/error.h"

namespace tarn::testing {

class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view prefix) {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            (std::string(prefix) + "-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
  // "Data Source=<folder>/<name>", the connection string of an SQLite file in the folder.
  std::u16string connectionTo(std::string_view name) const {
    return u"Data Source=" + (path_ / name).u16string();
  }

 private:
  std::filesystem::path path_;
};

// Runs `use`, which must raise AutomationError with `code` and exactly `message`.
inline void expectFailure(const std::function<void()>& use, automation::ErrorCode code,
                          const std::string& message) {
  try {
    use();
    ADD_FAILURE() << "no failure";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.code(), code);
    EXPECT_EQ(error.what(), message);
  }
}

}  // namespace tarn::testing
