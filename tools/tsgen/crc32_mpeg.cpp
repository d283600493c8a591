#include "crc32_mpeg.h"

#include <array>

namespace qev::tsgen {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i << 24;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    }
    table[i] = c;
  }
  return table;
}

constexpr auto kTable = MakeTable();

} // namespace

std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) {
    crc = (crc << 8) ^ kTable[((crc >> 24) ^ b) & 0xFF];
  }
  return crc;
}

} // namespace qev::tsgen
