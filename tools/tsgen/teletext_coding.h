#pragma once

#include <cstdint>

namespace qev::tsgen {

// Hamming 8/4 code word of a 4-bit value, bit 0 transmitted first (P1 D1 P2 D2 P3 D3 P4 D4).
std::uint8_t Hamming84(unsigned nibble);
// A 7-bit character with bit 7 set when needed to make the count of ones odd.
std::uint8_t OddParity(unsigned character);
// The byte with its bit order reversed: teletext in PES is sent most significant bit first.
std::uint8_t ReverseBits(std::uint8_t byte);

} // namespace qev::tsgen
