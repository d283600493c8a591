#include "section_packer.h"

#include <algorithm>

#include "si_tables.h"

namespace qev::tsgen {
namespace {

constexpr std::size_t kFlawStuffingSize = 24;
// A split section starts this many bytes before the end of a packet, so its header is cut.
constexpr std::size_t kSplitTail = 2;
constexpr std::size_t kMinStuffing = 3;

} // namespace

std::vector<TsPacket> SectionPacker::Pack(const std::vector<Bytes> &sections) {
  out_.clear();
  for (const Bytes &section : sections) {
    ++sectionCount_;
    if (flaws_.stuffingTables.Targets(pid_) && sectionCount_ % flaws_.stuffingTables.every == 0) {
      Write(BuildStuffing(kFlawStuffingSize));
    }
    const Bytes flawed = Flawed(section);
    if (flaws_.splitHeaders) {
      WriteSplit(flawed);
    } else {
      Write(flawed);
    }
  }
  if (open_) {
    ClosePacket();
  }
  return std::move(out_);
}

Bytes SectionPacker::Flawed(Bytes section) {
  if (flaws_.badCrc.Targets(pid_) && sectionCount_ % flaws_.badCrc.every == 0) {
    BreakCrc(section);
  }
  if (flaws_.wrongLength.Targets(pid_) && sectionCount_ % flaws_.wrongLength.every == 0) {
    BreakLength(section, flaws_.lengthDelta);
  }
  return section;
}

void SectionPacker::OpenPacket(bool unitStart) {
  ++packetCount_;
  const bool flawed =
      flaws_.adaptation.Targets(pid_) && packetCount_ % flaws_.adaptation.every == 0;
  adaptation_ = flawed ? static_cast<std::size_t>(std::clamp(flaws_.adaptationBytes, 1, 100)) : 0;
  room_ = kPayloadSize - adaptation_;
  payload_.clear();
  unitStart_ = unitStart;
  if (unitStart) {
    payload_.push_back(0); // pointer_field: a section starts right after it
  }
  open_ = true;
}

void SectionPacker::ClosePacket() {
  payload_.resize(room_, 0xFF);
  out_.push_back(
      MakePacket({.pid = pid_, .unitStart = unitStart_, .minAdaptation = adaptation_}, payload_));
  open_ = false;
}

// Makes the open packet able to hold the start of a section at its current end: a packet that
// so far only continues an earlier section gains a pointer_field in front.
void SectionPacker::StartSectionHere() {
  if (open_ && !unitStart_ && payload_.size() + 1 >= room_) {
    ClosePacket();
  }
  if (!open_) {
    OpenPacket(true);
    return;
  }
  if (!unitStart_) {
    payload_.insert(payload_.begin(), static_cast<std::uint8_t>(payload_.size()));
    unitStart_ = true;
  }
}

void SectionPacker::Write(const Bytes &section) {
  StartSectionHere();
  std::size_t at = 0;
  while (at < section.size()) {
    if (!open_) {
      OpenPacket(false);
    }
    const std::size_t n = std::min(room_ - payload_.size(), section.size() - at);
    payload_.insert(payload_.end(), section.begin() + at, section.begin() + at + n);
    at += n;
    if (payload_.size() == room_) {
      ClosePacket();
    }
  }
}

// Where a section written now would start in its packet.
std::size_t SectionPacker::NextStartOffset() const {
  if (!open_) {
    return 1;
  }
  return unitStart_ ? payload_.size() : payload_.size() + 1;
}

// A stuffing table in front moves the section to the last bytes of a packet.
void SectionPacker::WriteSplit(const Bytes &section) {
  const std::size_t start = NextStartOffset();
  const std::size_t target = room_ - kSplitTail;
  if (start + kMinStuffing <= target) {
    Write(BuildStuffing(target - start));
  } else if (start < target || start >= room_) {
    // Too close to the end: the stuffing runs into the next packet instead.
    const std::size_t left = start >= room_ ? 0 : room_ - start;
    Write(BuildStuffing(left + (target - 1)));
  }
  Write(section);
}

} // namespace qev::tsgen
