#pragma once

#include <array>
#include <cstdint>

namespace qev::teletext {

// Marks a Hamming 8/4 byte that arrived as a valid code word.
inline constexpr std::uint8_t kHammingExact = 0x80;
// A Hamming 8/4 byte with more than one bit in error.
inline constexpr std::uint8_t kHammingFailed = 0xFF;

// Entry i is i with its eight bits in reverse order: the data units carry every byte with its
// first transmitted bit in the most significant place.
const std::array<std::uint8_t, 256> &BitReverseTable();

// Hamming 8/4 decoding, indexed by a byte whose bit 0 was transmitted first (P1 D1 P2 D2 P3 D3
// P4 D4): kHammingExact + value for a code word, the corrected value for one bit in error,
// kHammingFailed otherwise.
const std::array<std::uint8_t, 256> &HammingTable();

// The code word that carries `value` (0..15), in the same bit order.
std::uint8_t Hamming84Encode(unsigned value);

} // namespace qev::teletext
