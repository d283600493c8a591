#pragma once

#include <cstdint>
#include <span>

namespace qev::guide {

class TEpgStore;

struct TEitParseResult {
  int Stored = 0;       // new events
  int Repeats = 0;      // events the store had already
  bool Dropped = false; // the section as a whole was not an EIT section the guide takes
};

// Stores the events of one whole EIT section (table_id first, CRC last; the caller has checked
// the CRC). Every read is bounded by the section: an event header with fewer than 12 bytes left,
// a descriptor loop or string running past its loop, end the parse there.
TEitParseResult ParseEitSection(std::span<const std::uint8_t> section, TEpgStore &store);

// UTC seconds of an MJD date and BCD time (bytes 2..6 of an event), 0 when undefined (MJD 0,
// 0xFFFF or before 1970).
std::uint32_t EitStartTime(const std::uint8_t mjdBcd[5]);
// Seconds of a BCD duration hh mm ss.
std::uint32_t EitDuration(const std::uint8_t bcd[3]);

} // namespace qev::guide
