#include "teletext_coding.h"

#include <bit>
#include <gtest/gtest.h>

namespace qev::tsgen {
namespace {

TEST(TsgenTeletextCoding, HammingCodeWordsMatchTheStandardsTable) {
  const std::uint8_t expected[16] = {0x15, 0x02, 0x49, 0x5E, 0x64, 0x73, 0x38, 0x2F,
                                     0xD0, 0xC7, 0x8C, 0x9B, 0xA1, 0xB6, 0xFD, 0xEA};
  for (unsigned n = 0; n < 16; ++n) {
    EXPECT_EQ(Hamming84(n), expected[n]) << n;
  }
}

TEST(TsgenTeletextCoding, HammingWordsAreFourBitsApartAndCarryTheDataBits) {
  for (unsigned a = 0; a < 16; ++a) {
    const std::uint8_t w = Hamming84(a);
    // D1..D4 sit in bits 1, 3, 5 and 7.
    EXPECT_EQ((w >> 1 & 1) | (w >> 3 & 1) << 1 | (w >> 5 & 1) << 2 | (w >> 7 & 1) << 3, a);
    for (unsigned b = a + 1; b < 16; ++b) {
      EXPECT_GE(std::popcount(static_cast<unsigned>(w ^ Hamming84(b))), 4) << a << " " << b;
    }
  }
}

TEST(TsgenTeletextCoding, OddParityKeepsTheCharacter) {
  for (unsigned c = 0; c < 128; ++c) {
    const std::uint8_t coded = OddParity(c);
    EXPECT_EQ(coded & 0x7F, c);
    EXPECT_EQ(std::popcount(static_cast<unsigned>(coded)) % 2, 1) << c;
  }
  EXPECT_EQ(OddParity(' '), 0x20); // one bit set already
  EXPECT_EQ(OddParity('A'), 0xC1);
}

TEST(TsgenTeletextCoding, ReverseBits) {
  EXPECT_EQ(ReverseBits(0x01), 0x80);
  EXPECT_EQ(ReverseBits(0x27), 0xE4); // the framing code as it appears in PES
  for (unsigned b = 0; b < 256; ++b) {
    EXPECT_EQ(ReverseBits(ReverseBits(static_cast<std::uint8_t>(b))), b);
  }
}

} // namespace
} // namespace qev::tsgen
