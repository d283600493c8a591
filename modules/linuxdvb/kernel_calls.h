#pragma once

#include <poll.h>

#include <cstddef>
#include <string>
#include <vector>

namespace qev::linuxdvb {

// Every call the module makes into the kernel, so the module can be driven by a fake kernel in
// tests. Results follow one rule: a value >= 0 is success, a failure is -errno (never -1 with
// errno set), so a fake needs no global state.
class IKernelCalls {
public:
  virtual ~IKernelCalls() = default;

  // A file descriptor, or -errno.
  virtual int Open(const std::string &path, int flags) = 0;
  virtual int Close(int fd) = 0;
  // An ioctl whose argument is a pointer to a record.
  virtual int Ioctl(int fd, unsigned long request, void *arg) = 0;
  // An ioctl whose argument is a plain value (FE_SET_TONE, FE_SET_VOLTAGE, ...).
  virtual int IoctlValue(int fd, unsigned long request, unsigned long value) = 0;
  // Bytes read (0 at the end), or -errno (-EAGAIN when nothing waits, -EOVERFLOW when the
  // kernel's buffer overflowed and was emptied).
  virtual long Read(int fd, void *buffer, std::size_t size) = 0;
  // Ready descriptors, 0 after the timeout, or -errno.
  virtual int Poll(pollfd *fds, nfds_t count, int timeoutMs) = 0;
  // The names in a folder (without "." and ".."), or -errno with `names` left empty.
  virtual int ListDirectory(const std::string &path, std::vector<std::string> &names) = 0;
  // Waits for a device to settle (LNB voltage, continuous tone, lock polling).
  virtual void Sleep(int milliseconds) = 0;
};

// The real kernel.
class TSystemKernel final : public IKernelCalls {
public:
  int Open(const std::string &path, int flags) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void *arg) override;
  int IoctlValue(int fd, unsigned long request, unsigned long value) override;
  long Read(int fd, void *buffer, std::size_t size) override;
  int Poll(pollfd *fds, nfds_t count, int timeoutMs) override;
  int ListDirectory(const std::string &path, std::vector<std::string> &names) override;
  void Sleep(int milliseconds) override;
};

} // namespace qev::linuxdvb
