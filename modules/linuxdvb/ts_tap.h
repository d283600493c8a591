#pragma once

#include "kernel_calls.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace qev::linuxdvb {

// PID 0x2000 asks the demux for the whole transport stream.
inline constexpr std::uint16_t kWholeStream = 0x2000;

// The one demux filter that taps the transport stream into the dvr device: DMX_OUT_TS_TAP
// set on the first PID, further PIDs added and removed as filters come and go, each PID once
// however many filters share it; the whole stream while any filter asks for it.
class TTsTap {
public:
  using Log = std::function<void(int level, const std::string &text)>;

  TTsTap(IKernelCalls &kernel, Log log);
  ~TTsTap();
  TTsTap(const TTsTap &) = delete;
  TTsTap &operator=(const TTsTap &) = delete;

  // 0, or -errno of opening the demux.
  int Open(const std::string &demuxPath);
  void Close();
  // A filter wants `pid` (0..0x1FFF or kWholeStream); false when the demux refused it, and
  // then nothing is counted.
  bool AddPid(std::uint16_t pid);
  // A filter on `pid` has gone.
  void RemovePid(std::uint16_t pid);

private:
  bool SetFilter(std::uint16_t pid);
  bool Call(const char *name, int result);
  bool TapPids();
  void StopLocked();

  IKernelCalls &kernel_;
  const Log log_;
  std::mutex mutex_;
  int fd_ = -1;                        // under mutex_
  std::map<std::uint16_t, int> users_; // under mutex_: filters per PID
  bool running_ = false;               // under mutex_: the demux filter is set
};

} // namespace qev::linuxdvb
