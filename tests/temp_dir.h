#pragma once
// A fresh folder of its own for a test, removed with everything in it when
// the test ends.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tarnik::testing {

class Temp_Dir {
 public:
  Temp_Dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnik_test_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Temp_Dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Temp_Dir(const Temp_Dir&) = delete;
  Temp_Dir& operator=(const Temp_Dir&) = delete;

  [[nodiscard]] std::string File(const std::string& name) const { return (path_ / name).string(); }
  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }
  void Write(const std::string& name, std::string_view bytes) const {
    std::ofstream(path_ / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tarnik::testing
