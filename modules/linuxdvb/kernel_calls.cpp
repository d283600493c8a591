#include "kernel_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace qev::linuxdvb {

namespace {

// Retries a call that a signal interrupted; turns -1/errno into -errno.
template <class Call> auto Checked(Call call) {
  for (;;) {
    const auto result = call();
    if (result >= 0)
      return result;
    if (errno != EINTR)
      return static_cast<decltype(result)>(-errno);
  }
}

} // namespace

int TSystemKernel::Open(const std::string &path, int flags) {
  return Checked([&] { return ::open(path.c_str(), flags | O_CLOEXEC); });
}

int TSystemKernel::Close(int fd) {
  // close is not retried: after EINTR the descriptor is gone on Linux.
  return ::close(fd) == 0 ? 0 : -errno;
}

int TSystemKernel::Ioctl(int fd, unsigned long request, void *arg) {
  return Checked([&] { return ::ioctl(fd, request, arg); });
}

int TSystemKernel::IoctlValue(int fd, unsigned long request, unsigned long value) {
  return Checked([&] { return ::ioctl(fd, request, value); });
}

long TSystemKernel::Read(int fd, void *buffer, std::size_t size) {
  return Checked([&] { return static_cast<long>(::read(fd, buffer, size)); });
}

int TSystemKernel::Poll(pollfd *fds, nfds_t count, int timeoutMs) {
  const int result = ::poll(fds, count, timeoutMs);
  if (result >= 0)
    return result;
  return errno == EINTR ? 0 : -errno;
}

int TSystemKernel::ListDirectory(const std::string &path, std::vector<std::string> &names) {
  names.clear();
  const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(path.c_str()), &::closedir);
  if (!dir)
    return -errno;
  while (const dirent *entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  return 0;
}

void TSystemKernel::Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace qev::linuxdvb
