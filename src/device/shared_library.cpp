#include "device/shared_library.h"

#include <dlfcn.h>
#include <utility>

namespace qev::device {

TSharedLibrary::TSharedLibrary(const std::filesystem::path& file)
    // RTLD_LOCAL: two modules may export the same names without seeing each other's.
    : handle_(dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (handle_ == nullptr) {
    const char* error = dlerror();
    error_ = error != nullptr ? error : "unknown error";
  }
}

TSharedLibrary::~TSharedLibrary() { Close(); }

TSharedLibrary::TSharedLibrary(TSharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

TSharedLibrary& TSharedLibrary::operator=(TSharedLibrary&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
    error_ = std::move(other.error_);
  }
  return *this;
}

void* TSharedLibrary::Symbol(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void TSharedLibrary::Close() {
  if (handle_ != nullptr)
    dlclose(std::exchange(handle_, nullptr)); // errors of the release are of no use to anyone
}

} // namespace qev::device
