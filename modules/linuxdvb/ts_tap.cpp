#include "ts_tap.h"

#include <fmt/format.h>

#include <sys/ioctl.h>

#include <linux/dvb/dmx.h>

#include <cstring>
#include <fcntl.h>

namespace qev::linuxdvb {

TTsTap::TTsTap(IKernelCalls &kernel, Log log) : kernel_(kernel), log_(std::move(log)) {}

TTsTap::~TTsTap() { Close(); }

int TTsTap::Open(const std::string &demuxPath) {
  Close();
  const int fd = kernel_.Open(demuxPath, O_RDWR | O_NONBLOCK);
  if (fd < 0)
    return fd;
  std::lock_guard lock(mutex_);
  fd_ = fd;
  return 0;
}

void TTsTap::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0)
    kernel_.Close(fd_);
  fd_ = -1;
  users_.clear();
  running_ = false;
}

bool TTsTap::Call(const char *name, int result) {
  if (result >= 0)
    return true;
  log_(2, fmt::format("{} failed: {}", name, std::strerror(-result)));
  return false;
}

// Setting the filter anew drops every PID added before.
bool TTsTap::SetFilter(std::uint16_t pid) {
  dmx_pes_filter_params params{};
  params.pid = pid;
  params.input = DMX_IN_FRONTEND;
  params.output = DMX_OUT_TS_TAP;
  params.pes_type = DMX_PES_OTHER;
  params.flags = DMX_IMMEDIATE_START;
  running_ = Call("DMX_SET_PES_FILTER", kernel_.Ioctl(fd_, DMX_SET_PES_FILTER, &params));
  return running_;
}

void TTsTap::StopLocked() {
  if (running_)
    Call("DMX_STOP", kernel_.IoctlValue(fd_, DMX_STOP, 0));
  running_ = false;
}

// Puts the PIDs counted in users_ (none of them the whole stream) on a fresh filter.
bool TTsTap::TapPids() {
  if (users_.empty()) {
    StopLocked();
    return true;
  }
  bool first = true;
  for (const auto &[pid, count] : users_) {
    std::uint16_t value = pid;
    if (!(first ? SetFilter(pid) : Call("DMX_ADD_PID", kernel_.Ioctl(fd_, DMX_ADD_PID, &value))))
      return false;
    first = false;
  }
  return true;
}

bool TTsTap::AddPid(std::uint16_t pid) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || pid > kWholeStream)
    return false;
  bool tapped = true;
  if (!users_.contains(pid) && !users_.contains(kWholeStream)) {
    std::uint16_t value = pid;
    if (pid == kWholeStream || !running_)
      tapped = SetFilter(pid);
    else
      tapped = Call("DMX_ADD_PID", kernel_.Ioctl(fd_, DMX_ADD_PID, &value));
    // A refused whole stream must not cost the PIDs that were tapped before.
    if (!tapped && pid == kWholeStream)
      TapPids();
  }
  if (tapped)
    ++users_[pid];
  return tapped;
}

void TTsTap::RemovePid(std::uint16_t pid) {
  std::lock_guard lock(mutex_);
  const auto found = users_.find(pid);
  if (fd_ < 0 || found == users_.end())
    return;
  if (--found->second > 0)
    return;
  users_.erase(found);
  if (users_.contains(kWholeStream))
    return;
  if (pid == kWholeStream) {
    TapPids();
    return;
  }
  if (users_.empty()) {
    StopLocked();
    return;
  }
  std::uint16_t value = pid;
  Call("DMX_REMOVE_PID", kernel_.Ioctl(fd_, DMX_REMOVE_PID, &value));
}

} // namespace qev::linuxdvb
