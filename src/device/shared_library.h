#pragma once

#include <filesystem>
#include <string>

namespace qev::device {

// One dlopen'ed library, closed when the object goes away.
class TSharedLibrary {
public:
  TSharedLibrary() = default;
  explicit TSharedLibrary(const std::filesystem::path& file);
  ~TSharedLibrary();
  TSharedLibrary(TSharedLibrary&& other) noexcept;
  TSharedLibrary& operator=(TSharedLibrary&& other) noexcept;

  bool Loaded() const { return handle_ != nullptr; }
  // Why the library could not be loaded (dlerror's text).
  const std::string& Error() const { return error_; }
  void* Symbol(const char* name) const;
  template <typename T> T Function(const char* name) const {
    return reinterpret_cast<T>(Symbol(name));
  }
  void Close();

private:
  void* handle_ = nullptr;
  std::string error_;
};

} // namespace qev::device
