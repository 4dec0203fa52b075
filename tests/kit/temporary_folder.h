// TemporaryFolder is a new, empty folder under the system's temporary directory, made for one
// test and removed with everything in it when the object goes. Every object gets a folder of its
// own (the name is drawn until the directory is newly created), so tests that run side by side
// never share one. Header-only, so that tests which link no component can use it too.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace tarn::testing {

class TemporaryFolder {
 public:
  explicit TemporaryFolder(std::string_view prefix) {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    do {
      path_ = base / (std::string(prefix) + "-" + std::to_string(random()) + "-" +
                      std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // A path inside the folder.
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace tarn::testing
