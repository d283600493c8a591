#pragma once

// EIT of a tsgen transponder as the device's payload filter on PID 0x12 hands it over.

#include "byte_writer.h"
#include "transponder.h"

#include <cstdint>
#include <vector>

namespace qev::guide::testing {

// A transponder with one service (id 0x21) and `count` half-hour events in a row from `start`,
// event ids 1.., names "Event 1"...
tsgen::Transponder EventTransponder(std::uint16_t tsid, std::int64_t start, int count);
// The schedule and present/following sections of every service.
std::vector<tsgen::Bytes> EitSections(const tsgen::Transponder &tp, std::int64_t now);
// The sections packed back to back into 184-byte payloads (a section may span several).
tsgen::Bytes Payloads(const std::vector<tsgen::Bytes> &sections);

} // namespace qev::guide::testing
