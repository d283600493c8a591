#include "teletext_coding.h"

#include <bit>

namespace qev::tsgen {

std::uint8_t Hamming84(unsigned nibble) {
  const unsigned d1 = nibble & 1, d2 = nibble >> 1 & 1, d3 = nibble >> 2 & 1, d4 = nibble >> 3 & 1;
  const unsigned p1 = 1 ^ d1 ^ d3 ^ d4;
  const unsigned p2 = 1 ^ d1 ^ d2 ^ d4;
  const unsigned p3 = 1 ^ d1 ^ d2 ^ d3;
  const unsigned p4 = 1 ^ p1 ^ d1 ^ p2 ^ d2 ^ p3 ^ d3 ^ d4;
  return static_cast<std::uint8_t>(p1 | d1 << 1 | p2 << 2 | d2 << 3 | p3 << 4 | d3 << 5 | p4 << 6 |
                                   d4 << 7);
}

std::uint8_t OddParity(unsigned character) {
  const unsigned c = character & 0x7F;
  return static_cast<std::uint8_t>(std::popcount(c) % 2 == 0 ? c | 0x80 : c);
}

std::uint8_t ReverseBits(std::uint8_t byte) {
  std::uint8_t reversed = 0;
  for (int bit = 0; bit < 8; ++bit) {
    reversed = static_cast<std::uint8_t>(reversed << 1 | (byte >> bit & 1));
  }
  return reversed;
}

} // namespace qev::tsgen
