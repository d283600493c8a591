#pragma once

#include <cstdint>
#include <vector>

#include "flaws.h"
#include "section.h"
#include "ts_packet.h"

namespace qev::tsgen {

// Carries the sections of one PID in transport packets. Sections handed over together follow
// each other without gaps (a packet may end one section and start the next); a batch ends with
// 0xFF stuffing. The section and packet flaws of the PID are applied here, counted per PID.
class SectionPacker {
public:
  SectionPacker(std::uint16_t pid, const Flaws &flaws) : pid_(pid), flaws_(flaws) {}

  std::vector<TsPacket> Pack(const std::vector<Bytes> &sections);

private:
  void Write(const Bytes &section);
  void WriteSplit(const Bytes &section);
  void OpenPacket(bool unitStart);
  void StartSectionHere();
  void ClosePacket();
  std::size_t NextStartOffset() const;
  Bytes Flawed(Bytes section);

  std::uint16_t pid_;
  const Flaws &flaws_;
  unsigned sectionCount_ = 0;
  unsigned packetCount_ = 0;

  std::vector<TsPacket> out_;
  bool open_ = false;
  bool unitStart_ = false;
  std::size_t room_ = kPayloadSize;
  std::size_t adaptation_ = 0;
  Bytes payload_;
};

} // namespace qev::tsgen
