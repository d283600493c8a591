#include "teletext/ttx_tables.h"

#include <bit>

namespace qev::teletext {

namespace {

std::array<std::uint8_t, 256> BuildBitReverse() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit)
      if (i & (1u << bit))
        reversed |= 0x80u >> bit;
    table[i] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}

// Every byte against the sixteen code words: the one at distance 0 or 1 is the value (the code
// has minimum distance 4, so there is at most one).
std::array<std::uint8_t, 256> BuildHamming() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kHammingFailed);
  for (unsigned byte = 0; byte < 256; ++byte) {
    for (unsigned value = 0; value < 16; ++value) {
      const int distance = std::popcount(byte ^ Hamming84Encode(value));
      if (distance == 0)
        table[byte] = static_cast<std::uint8_t>(kHammingExact | value);
      else if (distance == 1)
        table[byte] = static_cast<std::uint8_t>(value);
    }
  }
  return table;
}

} // namespace

std::uint8_t Hamming84Encode(unsigned value) {
  const unsigned d1 = value & 1, d2 = (value >> 1) & 1, d3 = (value >> 2) & 1,
                 d4 = (value >> 3) & 1;
  const unsigned p1 = 1 ^ d1 ^ d3 ^ d4;
  const unsigned p2 = 1 ^ d1 ^ d2 ^ d4;
  const unsigned p3 = 1 ^ d1 ^ d2 ^ d3;
  const unsigned p4 = 1 ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4;
  return static_cast<std::uint8_t>(p1 | d1 << 1 | p2 << 2 | d2 << 3 | p3 << 4 | d3 << 5 | p4 << 6 |
                                   d4 << 7);
}

const std::array<std::uint8_t, 256> &BitReverseTable() {
  static const std::array<std::uint8_t, 256> table = BuildBitReverse();
  return table;
}

const std::array<std::uint8_t, 256> &HammingTable() {
  static const std::array<std::uint8_t, 256> table = BuildHamming();
  return table;
}

} // namespace qev::teletext
