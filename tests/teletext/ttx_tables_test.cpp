// The byte tables against rules written out here independently: bit reversal bit by bit, and
// Hamming 8/4 decoding by its parity checks (the syndrome of the standard's decoding table).
#include "teletext/ttx_tables.h"

#include <gtest/gtest.h>

namespace {

using namespace qev::teletext;

int Bit(unsigned byte, int n) { return (byte >> n) & 1; }

// The standard's decoding rule: checks A, B, C over P1/P2/P3 and the data bits they protect,
// D over the whole byte (odd parity). All pass: valid. D fails alone or with others: one bit
// in error, located by A, B, C. D passes but another fails: two bits in error.
int SyndromeDecode(unsigned byte, bool &exact) {
  const int p1 = Bit(byte, 0), d1 = Bit(byte, 1), p2 = Bit(byte, 2), d2 = Bit(byte, 3);
  const int p3 = Bit(byte, 4), d3 = Bit(byte, 5), d4 = Bit(byte, 7);
  const bool a = (p1 ^ d1 ^ d3 ^ d4) == 1;
  const bool b = (p2 ^ d1 ^ d2 ^ d4) == 1;
  const bool c = (p3 ^ d1 ^ d2 ^ d3) == 1;
  const bool d = __builtin_popcount(byte) % 2 == 1;
  exact = a && b && c && d;
  if (d && !(a && b && c))
    return -1;
  int value = d1 | d2 << 1 | d3 << 2 | d4 << 3;
  if (!d) { // one bit wrong: the failing checks name a data bit, or a parity bit when one fails
    const int failing = !a << 0 | !b << 1 | !c << 2;
    if (failing == 0b111)
      value ^= 1; // D1 in A, B and C
    else if (failing == 0b110)
      value ^= 2; // D2 in B and C
    else if (failing == 0b101)
      value ^= 4; // D3 in A and C
    else if (failing == 0b011)
      value ^= 8; // D4 in A and B
  }
  return value;
}

TEST(TtxTables, BitReversalReversesEveryByte) {
  const auto &table = BitReverseTable();
  for (unsigned i = 0; i < 256; ++i) {
    for (int bit = 0; bit < 8; ++bit)
      EXPECT_EQ(Bit(table[i], 7 - bit), Bit(i, bit)) << "byte " << i;
    EXPECT_EQ(table[table[i]], i);
  }
}

TEST(TtxTables, HammingTableMatchesTheParityChecksForAll256Bytes) {
  const auto &table = HammingTable();
  int exact = 0, corrected = 0, failed = 0;
  for (unsigned byte = 0; byte < 256; ++byte) {
    bool isExact = false;
    const int value = SyndromeDecode(byte, isExact);
    if (value < 0) {
      EXPECT_EQ(table[byte], kHammingFailed) << "byte " << byte;
      ++failed;
    } else if (isExact) {
      EXPECT_EQ(table[byte], kHammingExact + value) << "byte " << byte;
      ++exact;
    } else {
      EXPECT_EQ(table[byte], value) << "byte " << byte;
      ++corrected;
    }
  }
  EXPECT_EQ(exact, 16);
  EXPECT_EQ(corrected, 16 * 8);
  EXPECT_EQ(failed, 256 - 16 * 9);
}

TEST(TtxTables, KnownCodeWordsOfTheStandard) {
  // Values 0..15 as the standard lists them, P1 the least significant bit.
  const std::uint8_t words[16] = {0x15, 0x02, 0x49, 0x5E, 0x64, 0x73, 0x38, 0x2F,
                                  0xD0, 0xC7, 0x8C, 0x9B, 0xA1, 0xB6, 0xFD, 0xEA};
  for (unsigned v = 0; v < 16; ++v) {
    EXPECT_EQ(Hamming84Encode(v), words[v]) << v;
    EXPECT_EQ(HammingTable()[words[v]], kHammingExact + v);
  }
}

} // namespace
