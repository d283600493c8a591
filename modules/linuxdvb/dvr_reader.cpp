#include "dvr_reader.h"

#include <fmt/format.h>

#include <sys/ioctl.h>

#include <linux/dvb/dmx.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace qev::linuxdvb {

namespace {
constexpr std::uint8_t kSync = 0x47;
constexpr std::size_t kPacket = QEV_PACKET_SIZE;
} // namespace

std::size_t TPacketAligner::FindStart(std::size_t from) const {
  for (std::size_t pos = from; pos + kPacket < pending_.size(); ++pos)
    if (pending_[pos] == kSync && pending_[pos + kPacket] == kSync)
      return pos;
  return std::string::npos;
}

void TPacketAligner::Push(std::span<const std::uint8_t> bytes, const Sink &sink) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  std::size_t pos = 0;
  while (pos + kPacket <= pending_.size()) {
    if (!synced_) {
      const std::size_t start = FindStart(pos);
      if (start == std::string::npos) {
        // Keep the bytes that may still begin a packet once more arrive.
        pos = pending_.size() > kPacket ? pending_.size() - kPacket : pos;
        break;
      }
      pos = start;
      synced_ = true;
    }
    // A packet counts when the next one starts right after it, or when it ends the bytes in
    // hand: a packet cut short by lost bytes is not glued to the one after the gap.
    std::size_t end = pos;
    while (end + kPacket <= pending_.size() && pending_[end] == kSync &&
           (end + kPacket == pending_.size() || pending_[end + kPacket] == kSync))
      end += kPacket;
    if (end > pos)
      sink(std::span(pending_).subspan(pos, end - pos));
    if (end + kPacket <= pending_.size())
      synced_ = false; // a whole packet's worth is there but it is not followed by one
    pos = end;
    if (synced_)
      break;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
}

void TPacketAligner::Reset() {
  pending_.clear();
  synced_ = false;
}

TDvrReader::TDvrReader(IKernelCalls &kernel, devkit::TStreamEngine &engine, Log log)
    : kernel_(kernel), engine_(engine), log_(std::move(log)) {}

TDvrReader::~TDvrReader() { Stop(); }

int TDvrReader::Start(const std::string &dvrPath) {
  Stop();
  const int fd = kernel_.Open(dvrPath, O_RDONLY | O_NONBLOCK);
  if (fd < 0)
    return fd;
  // A larger buffer rides out short stalls of the reader; the driver's default still works.
  kernel_.IoctlValue(fd, DMX_SET_BUFFER_SIZE, kDvrBufferBytes);
  fd_ = fd;
  aligner_.Reset();
  overflows_ = 0;
  bytesRead_ = 0;
  thread_ = std::jthread([this, fd](std::stop_token stop) { Run(stop, fd); });
  return 0;
}

void TDvrReader::Stop() {
  thread_.request_stop();
  if (thread_.get_id() == std::this_thread::get_id())
    return;
  if (thread_.joinable())
    thread_.join();
  if (fd_ >= 0)
    kernel_.Close(fd_);
  fd_ = -1;
}

void TDvrReader::Run(std::stop_token stop, int fd) {
  std::vector<std::uint8_t> buffer(kReadBytes);
  while (!stop.stop_requested()) {
    pollfd wait{fd, POLLIN, 0};
    const int ready = kernel_.Poll(&wait, 1, kReaderPollMs);
    if (ready < 0) {
      log_(2, fmt::format("Waiting for the dvr device failed: {}", std::strerror(-ready)));
      break;
    }
    if (ready > 0 && !ReadOnce(fd, buffer))
      break;
    engine_.Flush(devkit::Clock::now());
  }
  engine_.Flush(devkit::Clock::now(), true);
}

bool TDvrReader::ReadOnce(int fd, std::vector<std::uint8_t> &buffer) {
  const long count = kernel_.Read(fd, buffer.data(), buffer.size());
  if (count == -EAGAIN)
    return true;
  if (count == -EOVERFLOW) {
    // The kernel emptied its buffer: what follows does not continue the packet in hand.
    if (overflows_++ == 0)
      log_(2, "The dvr buffer overflowed: packets were lost");
    aligner_.Reset();
    return true;
  }
  if (count < 0) {
    log_(2,
         fmt::format("Reading the dvr device failed: {}", std::strerror(static_cast<int>(-count))));
    return false;
  }
  if (count == 0)
    return false; // the device has gone (a pipe in tests: its writer closed)
  bytesRead_ += static_cast<std::uint64_t>(count);
  const auto now = devkit::Clock::now();
  aligner_.Push(std::span(buffer).first(static_cast<std::size_t>(count)),
                [&](std::span<const std::uint8_t> packets) { engine_.Feed(packets, now); });
  return true;
}

} // namespace qev::linuxdvb
