#include "si/crc32_mpeg.h"

#include <array>

namespace qev::si {

namespace {

constexpr std::uint32_t kPolynomial = 0x04C11DB7u;

// Slicing by 8: table k advances the register over k further zero bytes, so eight bytes are
// folded in with eight independent look-ups instead of a chain of eight dependent ones.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ kPolynomial : crc << 1;
    tables[0][i] = crc;
  }
  for (std::size_t k = 1; k < tables.size(); ++k)
    for (std::uint32_t i = 0; i < 256; ++i) {
      const std::uint32_t previous = tables[k - 1][i];
      tables[k][i] = (previous << 8) ^ tables[0][previous >> 24];
    }
  return tables;
}

constexpr Tables kTables = MakeTables();

std::uint32_t LoadBigEndian(const std::uint8_t *p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

} // namespace

std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  const std::uint8_t *p = data.data();
  std::size_t n = data.size();
  for (; n >= 8; n -= 8, p += 8) {
    crc ^= LoadBigEndian(p);
    crc = kTables[7][crc >> 24] ^ kTables[6][(crc >> 16) & 0xFF] ^ kTables[5][(crc >> 8) & 0xFF] ^
          kTables[4][crc & 0xFF] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
          kTables[0][p[7]];
  }
  for (; n > 0; --n, ++p)
    crc = (crc << 8) ^ kTables[0][(crc >> 24) ^ *p];
  return crc;
}

} // namespace qev::si
