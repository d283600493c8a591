#include "devkit/section_assembler.h"

#include "si/crc32_mpeg.h"

#include <algorithm>

namespace qev::devkit {

namespace {
constexpr std::uint8_t kStuffing = 0xFF;
constexpr std::size_t kHeaderSize = 3;

std::size_t SectionSize(std::span<const std::uint8_t> header) {
  return kHeaderSize + (((header[1] & 0x0F) << 8) | header[2]);
}
} // namespace

void TSectionAssembler::Push(const TsPacket& packet, const SectionSink& sink) {
  const auto payload = packet.Payload();
  if (payload.empty())
    return;
  const int continuity = packet.Continuity();
  if (continuity == lastContinuity_)
    return; // a repeated packet carries nothing new
  if (lastContinuity_ >= 0 && continuity != ((lastContinuity_ + 1) & 0x0F))
    collecting_ = false;
  lastContinuity_ = continuity;

  if (!packet.UnitStart()) {
    if (collecting_)
      Collect(payload, sink);
    return;
  }
  const std::size_t pointer = payload[0];
  const auto rest = payload.subspan(1);
  if (pointer > rest.size()) {
    collecting_ = false;
    return;
  }
  if (collecting_) {
    Collect(rest.first(pointer), sink);
    collecting_ = false; // whatever is still missing was lost
  }
  StartSections(rest.subspan(pointer), sink);
}

void TSectionAssembler::StartSections(std::span<const std::uint8_t> bytes,
                                      const SectionSink& sink) {
  while (!bytes.empty() && bytes[0] != kStuffing) {
    section_.clear();
    collecting_ = true;
    bytes = bytes.subspan(Collect(bytes, sink));
    if (collecting_)
      return; // continues in the next packet
  }
}

std::size_t TSectionAssembler::Collect(std::span<const std::uint8_t> bytes,
                                       const SectionSink& sink) {
  std::size_t used = 0;
  if (section_.size() < kHeaderSize) {
    used = std::min(bytes.size(), kHeaderSize - section_.size());
    section_.insert(section_.end(), bytes.begin(), bytes.begin() + used);
    if (section_.size() < kHeaderSize)
      return used;
  }
  const std::size_t size = SectionSize(section_);
  if (size > kMaxSectionSize) {
    collecting_ = false;
    return bytes.size();
  }
  const std::size_t take = std::min(bytes.size() - used, size - section_.size());
  section_.insert(section_.end(), bytes.begin() + used, bytes.begin() + used + take);
  used += take;
  if (section_.size() == size)
    Complete(sink);
  return used;
}

void TSectionAssembler::Complete(const SectionSink& sink) {
  collecting_ = false;
  const bool syntax = (section_[1] & 0x80) != 0;
  if (syntax && (section_.size() < kHeaderSize + 4 || si::Crc32Mpeg(section_) != 0))
    return;
  sink(section_);
}

bool SectionMatch::Accepts(std::span<const std::uint8_t> section) const {
  for (std::size_t i = 0; i < std::size(mask); ++i) {
    if (mask[i] == 0)
      continue;
    if (i >= section.size() || ((section[i] ^ match[i]) & mask[i]) != 0)
      return false;
  }
  return true;
}

} // namespace qev::devkit
