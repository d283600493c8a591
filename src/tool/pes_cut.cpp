#include "tool/pes_cut.h"

namespace qev::tool {

namespace {

constexpr std::uint8_t kSyncByte = 0x47;
constexpr std::size_t kPacketSize = 188;
constexpr std::size_t kPesHeaderBytes = 6; // start code, stream id and the length field

} // namespace

void TPesCut::SetRemaining(std::uint16_t pid, std::uint32_t bytes) {
  openPids_ += (bytes != 0) - (remaining_[pid] != 0);
  remaining_[pid] = bytes;
}

void TPesCut::Observe(const std::uint8_t *packet) {
  if (packet[0] != kSyncByte || (packet[1] & 0x80) != 0) // lost sync or a transport error
    return;
  const auto pid = static_cast<std::uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
  const std::uint8_t control = (packet[3] >> 4) & 0x03;
  if ((control & 0x01) == 0) // no payload
    return;
  std::size_t start = 4;
  if ((control & 0x02) != 0)
    start += 1 + packet[4];
  if (start >= kPacketSize)
    return;
  const std::uint32_t payload = static_cast<std::uint32_t>(kPacketSize - start);
  const std::uint8_t *data = packet + start;
  const bool unitStart = (packet[1] & 0x40) != 0;
  if (unitStart && payload >= kPesHeaderBytes && data[0] == 0 && data[1] == 0 && data[2] == 1) {
    const std::uint32_t length = (data[4] << 8) | data[5];
    const std::uint32_t total = length == 0 ? 0 : length + kPesHeaderBytes;
    SetRemaining(pid, total > payload ? total - payload : 0);
  } else if (unitStart) {
    SetRemaining(pid, 0); // sections, or no PES at all: nothing to keep whole
  } else if (remaining_[pid] != 0) {
    SetRemaining(pid, remaining_[pid] > payload ? remaining_[pid] - payload : 0);
  }
}

} // namespace qev::tool
