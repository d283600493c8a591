#pragma once

#include "devkit/ts_packet.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace qev::devkit {

inline constexpr std::size_t kMaxSectionSize = 4096;

// Rebuilds the PSI/SI sections of one PID from its packets, following pointer fields and
// dropping what a lost or broken packet spoils: a continuity gap drops the section in progress,
// a section longer than 4096 bytes is skipped, and a section with the syntax bit set is only
// handed on when its CRC is right.
class TSectionAssembler {
public:
  using SectionSink = std::function<void(std::span<const std::uint8_t> section)>;

  void Push(const TsPacket& packet, const SectionSink& sink);

private:
  // Takes bytes of the section in progress; returns how many were used.
  std::size_t Collect(std::span<const std::uint8_t> bytes, const SectionSink& sink);
  void StartSections(std::span<const std::uint8_t> bytes, const SectionSink& sink);
  void Complete(const SectionSink& sink);

  std::vector<std::uint8_t> section_;
  bool collecting_ = false;
  int lastContinuity_ = -1;
};

// A section filter's 17 match and mask bytes, compared with the first bytes of a section.
struct SectionMatch {
  std::uint8_t match[17] = {};
  std::uint8_t mask[17] = {};

  bool Accepts(std::span<const std::uint8_t> section) const;
};

} // namespace qev::devkit
