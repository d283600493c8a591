#include "ts_file.h"

#include <algorithm>

namespace qev::sim {

using devkit::kNullPid;
using devkit::kPacketSize;
using devkit::kSyncByte;
using devkit::TsPacket;

namespace {

constexpr std::uint8_t kAdaptationOnly = 0x20;
constexpr std::uint8_t kDiscontinuity = 0x80;
constexpr std::uint8_t kStuffing = 0xFF;

} // namespace

void MakeDiscontinuityPacket(const std::uint8_t *next, std::uint8_t *marker) {
  const TsPacket packet(next);
  // A packet with a payload counts one up from the packet before it; one without does not.
  const std::uint8_t continuity = (packet.Continuity() - (packet.HasPayload() ? 1 : 0)) & 0x0F;
  marker[0] = kSyncByte;
  marker[1] = next[1] & 0x1F;
  marker[2] = next[2];
  marker[3] = kAdaptationOnly | continuity;
  marker[4] = kPacketSize - 5;
  marker[5] = kDiscontinuity;
  std::fill(marker + 6, marker + kPacketSize, kStuffing);
}

bool TsFile::Open(const std::filesystem::path &path) {
  file_.close();
  file_.clear();
  wrapped_ = false;
  holding_ = false;
  announced_.reset();
  file_.open(path, std::ios::binary);
  return file_.is_open();
}

bool TsFile::ReadAligned(std::uint8_t *packet) {
  char *bytes = reinterpret_cast<char *>(packet);
  while (file_.read(bytes, kPacketSize)) {
    if (packet[0] == kSyncByte)
      return true;
    file_.seekg(1 - static_cast<std::streamoff>(kPacketSize), std::ios::cur);
  }
  return false;
}

bool TsFile::Rewind(std::uint8_t *packet) {
  file_.clear();
  file_.seekg(0);
  wrapped_ = true;
  announced_.reset();
  return ReadAligned(packet);
}

bool TsFile::Next(std::uint8_t *packet, bool loop) {
  if (holding_) {
    std::copy(held_.begin(), held_.end(), packet);
    holding_ = false;
    return true;
  }
  if (!file_.is_open() || !(ReadAligned(packet) || (loop && Rewind(packet))))
    return false;
  const std::uint16_t pid = TsPacket(packet).Pid();
  if (wrapped_ && pid != kNullPid && !announced_.test(pid)) {
    announced_.set(pid);
    std::copy(packet, packet + kPacketSize, held_.begin());
    holding_ = true;
    MakeDiscontinuityPacket(held_.data(), packet);
  }
  return true;
}

} // namespace qev::sim
