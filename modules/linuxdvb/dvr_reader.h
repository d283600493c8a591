#pragma once

#include "devkit/stream_engine.h"
#include "kernel_calls.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace qev::linuxdvb {

// How long the reader waits for the dvr device before it looks whether it should stop and hands
// on aged batches.
inline constexpr int kReaderPollMs = 100;
inline constexpr std::size_t kReadBytes = 348 * 188;
// The dvr device's buffer: a few hundred milliseconds of a busy transponder.
inline constexpr unsigned long kDvrBufferBytes = 4 * 1024 * 1024;

// Cuts a byte stream read in pieces of any size into whole transport packets. A packet start
// is trusted once the byte 188 further on is a sync byte too; after lost sync (garbage, or a
// reset after a buffer overflow) it looks for such a start again.
class TPacketAligner {
public:
  using Sink = std::function<void(std::span<const std::uint8_t> packets)>;

  void Push(std::span<const std::uint8_t> bytes, const Sink &sink);
  // Forgets a partial packet: what comes next does not continue it.
  void Reset();

private:
  std::size_t FindStart(std::size_t from) const;

  std::vector<std::uint8_t> pending_;
  bool synced_ = false;
};

// The thread that reads the dvr device into the stream engine. A buffer overflow of the
// device (EOVERFLOW) is counted and reading goes on.
class TDvrReader {
public:
  using Log = std::function<void(int level, const std::string &text)>;

  TDvrReader(IKernelCalls &kernel, devkit::TStreamEngine &engine, Log log);
  ~TDvrReader();
  TDvrReader(const TDvrReader &) = delete;
  TDvrReader &operator=(const TDvrReader &) = delete;

  // Opens the dvr device and starts reading; 0 or -errno.
  int Start(const std::string &dvrPath);
  // Ends reading and closes the device. From inside a data callback (on the reader thread) it
  // only asks the thread to end; the next Start or Stop from elsewhere waits for it.
  void Stop();
  std::uint64_t Overflows() const { return overflows_; }
  std::uint64_t BytesRead() const { return bytesRead_; }

private:
  void Run(std::stop_token stop, int fd);
  // False when reading should end.
  bool ReadOnce(int fd, std::vector<std::uint8_t> &buffer);

  IKernelCalls &kernel_;
  devkit::TStreamEngine &engine_;
  const Log log_;
  TPacketAligner aligner_; // the reader thread's
  std::atomic<std::uint64_t> overflows_{0};
  std::atomic<std::uint64_t> bytesRead_{0};
  int fd_ = -1;
  std::jthread thread_;
};

} // namespace qev::linuxdvb
