#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace qev::test {

// A folder of its own for one test. Made by mkdtemp, so nothing an earlier run left under a
// reused process id can leak into the test; removed with everything in it at the end.
class TTempDir {
public:
  explicit TTempDir(const std::string &prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
      throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TTempDir(const TTempDir &) = delete;
  TTempDir &operator=(const TTempDir &) = delete;

  const std::filesystem::path &Path() const { return path_; }
  std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

private:
  std::filesystem::path path_;
};

} // namespace qev::test
