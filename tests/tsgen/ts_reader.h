#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace qev::tsgen::test {

using Bytes = std::vector<std::uint8_t>;

// An independent reading of a transport stream for the tests: packets by PID and the sections
// they carry, reassembled through pointer fields as a receiver would.
class TsReader {
public:
  struct Packet {
    std::size_t index = 0; // position in the stream
    std::uint16_t pid = 0;
    bool unitStart = false;
    unsigned continuity = 0;
    bool hasPayload = false;
    std::size_t adaptationSize = 0; // whole field, length byte included
    std::span<const std::uint8_t> bytes;
    std::span<const std::uint8_t> payload;
  };

  // Keeps its own copy of the stream, which the packets' spans point into.
  explicit TsReader(std::span<const std::uint8_t> stream);
  TsReader(const TsReader &) = delete;
  TsReader &operator=(const TsReader &) = delete;

  const std::vector<Packet> &Packets() const { return packets_; }
  std::vector<Packet> PacketsOf(std::uint16_t pid) const;
  // Complete sections of `pid` in arrival order, cut by their declared section_length.
  std::vector<Bytes> Sections(std::uint16_t pid) const;
  // The first section of `pid` with that table_id (and extension, when given).
  Bytes FirstSection(std::uint16_t pid, std::uint8_t tableId, int extension = -1) const;

private:
  Bytes stream_;
  std::vector<Packet> packets_;
};

// Field readers on a section.
unsigned SectionLength(const Bytes &section);
unsigned Extension(const Bytes &section);
std::uint16_t Read16(const Bytes &bytes, std::size_t at);

// Finds a descriptor with `tag` in a descriptor loop; empty when there is none.
Bytes FindDescriptor(std::span<const std::uint8_t> loop, std::uint8_t tag);

} // namespace qev::tsgen::test
