#pragma once

// Packs sections into the 184-byte payloads a PID filter hands over, the way a multiplexer does:
// a payload in which a section starts begins with a pointer field.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "section.h"

namespace qev::si::testing {

using tsgen::Bytes;

struct PackedStream {
  Bytes payloads;
  // Per section: the first and last payload its bytes occupy.
  std::vector<std::pair<std::size_t, std::size_t>> extent;
};

enum class Packing { BackToBack, OnePerPacket };

PackedStream Pack(const std::vector<Bytes> &sections, Packing packing);

// An SI section made by tsgen's section writer with a random body of `bodySize` bytes.
Bytes MakeSection(std::uint8_t tableId, std::size_t bodySize, std::mt19937 &random);

} // namespace qev::si::testing
