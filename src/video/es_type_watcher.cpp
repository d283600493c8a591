#include "video/es_detect.h"

#include "devkit/ts_packet.h"

#include <algorithm>

namespace qev::video {

namespace {

// Elementary-stream bytes looked at per PES packet: enough for a sequence header or SPS with
// what precedes it in an access unit, and for a few audio frames.
constexpr std::size_t kEsBytes = 4096;
// The largest PES header: 9 fixed bytes and up to 255 bytes of optional fields.
constexpr std::size_t kMaxPesHeader = 9 + 255;

// Stream ids whose PES packets have no optional header (program stream map, padding, private
// stream 2, ECM, EMM, directory, DSM-CC, H.222.1 type E).
bool WithoutOptionalHeader(std::uint8_t streamId) {
  return streamId == 0xBC || streamId == 0xBE || streamId == 0xBF || streamId == 0xF0 ||
         streamId == 0xF1 || streamId == 0xFF || streamId == 0xF2 || streamId == 0xF8;
}

// The elementary-stream bytes of a gathered PES packet; empty when it is no PES packet.
std::span<const std::uint8_t> EsBytes(const std::vector<std::uint8_t> &pes) {
  if (pes.size() < 9 || pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
    return {};
  const std::size_t start = WithoutOptionalHeader(pes[3]) ? 6 : 9 + std::size_t{pes[8]};
  if (start >= pes.size())
    return {};
  return std::span(pes).subspan(start);
}

} // namespace

TEsTypeWatcher::TEsTypeWatcher(TMajorType kind) : kind_(kind) {}

void TEsTypeWatcher::Reset() {
  current_.reset();
  scrambled_ = 0;
  pes_.clear();
  gathering_ = false;
}

bool TEsTypeWatcher::Feed(const std::uint8_t *packet) {
  if (packet[0] != devkit::kSyncByte)
    return false;
  const devkit::TsPacket ts(packet);
  if ((packet[3] & 0xC0) != 0) {
    ++scrambled_;
    return false;
  }
  const auto payload = ts.Payload();
  if (payload.empty())
    return false;
  bool changed = false;
  if (ts.UnitStart()) {
    changed = gathering_ && Detect(); // the previous packet ended short of kEsBytes
    pes_.clear();
    gathering_ = true;
  }
  if (!gathering_)
    return changed;
  const std::size_t room = kMaxPesHeader + kEsBytes - pes_.size();
  pes_.insert(pes_.end(), payload.begin(), payload.begin() + std::min(room, payload.size()));
  if (EsBytes(pes_).size() >= kEsBytes || pes_.size() >= kMaxPesHeader + kEsBytes)
    changed = Detect() || changed;
  return changed;
}

// Detects from the gathered bytes and stops gathering until the next PES packet.
bool TEsTypeWatcher::Detect() {
  gathering_ = false;
  const auto es = EsBytes(pes_).first(std::min(kEsBytes, EsBytes(pes_).size()));
  const auto type = kind_ == TMajorType::Video ? DetectVideoType(es) : DetectAudioType(es);
  if (!type || type == current_)
    return false;
  current_ = type;
  return true;
}

} // namespace qev::video
