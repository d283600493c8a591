#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "byte_writer.h"

namespace qev::tsgen {

// Largest section body (everything between the 8-byte header and the CRC) of the PSI and most
// SI tables, whose sections are limited to 1024 bytes.
constexpr std::size_t kMaxPsiBody = 1024 - 3 - 5 - 4;
// EIT sections may reach 4096 bytes.
constexpr std::size_t kMaxEitBody = 4096 - 3 - 5 - 4;

struct SectionId {
  std::uint8_t tableId = 0;
  std::uint16_t extension = 0;
  std::uint8_t version = 0;
  std::uint8_t number = 0;
  std::uint8_t lastNumber = 0;
};

// A section with the long header (section_syntax_indicator 1) and its CRC_32. DVB SI tables set
// the reserved_future_use bit, PSI tables leave it 0.
Bytes LongSection(const SectionId &id, std::span<const std::uint8_t> body, bool dvbSi);
// A section with the short header; TDT and stuffing tables have no CRC, the TOT has one.
Bytes ShortSection(std::uint8_t tableId, std::span<const std::uint8_t> body, bool withCrc);

// One section per body, numbered 0..n-1 under the same table identity.
std::vector<Bytes> NumberSections(SectionId id, const std::vector<Bytes> &bodies, bool dvbSi);

// Spreads loop entries over as few groups as possible, each at most `room` bytes. An entry
// larger than `room` is refused with std::length_error.
std::vector<Bytes> GroupEntries(const std::vector<Bytes> &entries, std::size_t room);

// Deliberate faults on a finished section.
void BreakCrc(Bytes &section);
void BreakLength(Bytes &section, int delta);

} // namespace qev::tsgen
