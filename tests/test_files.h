#pragma once
// Files for the tests: a fresh folder per test, removed with everything in
// it when the test ends, whole-file reads and writes, and whether srec_cat,
// the independent tool the hex files are checked against, is at hand.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
  void Write(const std::string& name, std::string_view bytes) const;

 private:
  std::filesystem::path path_;
};

// An environment variable set for the length of a test, then put back as it
// was (or unset), so that no test sees another's folders.
class Scoped_Env {
 public:
  Scoped_Env(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    setenv(name_.c_str(), value.c_str(), 1);
  }
  ~Scoped_Env() {
    if (old_)
      setenv(name_.c_str(), old_->c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  Scoped_Env(const Scoped_Env&) = delete;
  Scoped_Env& operator=(const Scoped_Env&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

inline void Write_File(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string Read_File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool Srec_Cat_Present() {
  return std::system("command -v srec_cat >/dev/null 2>&1") == 0;
}

// Where the test script installed srec_cat it sets TARNIK_REQUIRE_SREC_CAT,
// and a missing tool is then a failure, not a quiet skip.
inline bool Srec_Cat_Required() {
  const char* required = std::getenv("TARNIK_REQUIRE_SREC_CAT");
  return required != nullptr && std::string_view(required) == "1";
}

}  // namespace tarnik::testing

// Skips the calling test when srec_cat is missing, or fails it when the run
// requires the tool.
#define TARNIK_NEED_SREC_CAT()                                                     \
  do {                                                                            \
    if (!::tarnik::testing::Srec_Cat_Present()) {                                 \
      if (::tarnik::testing::Srec_Cat_Required()) FAIL() << "srec_cat is missing"; \
      GTEST_SKIP() << "srec_cat is not on PATH";                                  \
    }                                                                             \
  } while (false)

// The digest cross-checks run sha1sum and python3's zlib. Where the test
// script installed python3 it sets TARNIK_REQUIRE_PYTHON3, and a missing tool
// is then a failure, not a quiet skip.
#define TARNIK_NEED_DIGEST_TOOLS()                                                       \
  do {                                                                                  \
    if (std::system("command -v sha1sum >/dev/null 2>&1 && "                            \
                    "command -v python3 >/dev/null 2>&1") != 0) {                       \
      const char* required = std::getenv("TARNIK_REQUIRE_PYTHON3");                     \
      if (required != nullptr && std::string_view(required) == "1")                     \
        FAIL() << "sha1sum or python3 is missing";                                      \
      GTEST_SKIP() << "no sha1sum or python3";                                          \
    }                                                                                   \
  } while (false)

namespace tarnik::testing {

inline void Temp_Dir::Write(const std::string& name, std::string_view bytes) const {
  Write_File(File(name), bytes);
}

}  // namespace tarnik::testing
