// Transport packets into teletext packets: the data units are found from the PES header, across
// packet borders, past adaptation fields, other units and damaged packets.
#include "teletext/ttx_pes_walker.h"

#include "ttx_stream.h"

#include <gtest/gtest.h>

namespace {

using namespace qev::teletext;
using namespace qev::test;
using qev::tsgen::TeletextPacketWriter;

class TtxPesWalker : public ::testing::Test {
protected:
  // A row unit whose text names it, so that the pages show which units arrived.
  static Bytes RowUnit(int row) {
    return TtxUnit(TeletextPacketWriter::Row(1, row, "row " + std::to_string(row)));
  }
  static Bytes Header(unsigned page) {
    qev::tsgen::TeletextPage p;
    p.page = page;
    return TtxUnit(TeletextPacketWriter::Header(p, ""));
  }
  static Bytes Join(const std::vector<Bytes> &parts) {
    Bytes out;
    for (const Bytes &part : parts)
      out.insert(out.end(), part.begin(), part.end());
    return out;
  }
  void Feed(const Bytes &packets) { walker.Feed(packets); }
  // Ends page 100 and returns the rows that arrived, by number.
  std::vector<int> RowsOfPage100() {
    unsigned cc = 15;
    walker.Reset();
    Feed(TtxStream({Header(101)}, cc));
    std::vector<int> rows;
    if (done.empty())
      return rows;
    for (int row = 1; row < kTtxRows; ++row)
      if (done.back().Rows[row][0] != 0)
        rows.push_back(row);
    return rows;
  }

  std::vector<TtxPageBuffer> done;
  TTtxDecoder decoder{[this](const TtxPageBuffer &page) { done.push_back(page); }};
  TTtxPesWalker walker{decoder};
  unsigned counter = 0;
};

TEST_F(TtxPesWalker, UnitsFollowTheHeaderAndCrossPacketBorders) {
  // 45-byte header: units at 46, 92, 138 of the first payload, then across the border.
  Feed(TtxStream({Header(100), RowUnit(1), RowUnit(2), RowUnit(3), RowUnit(4), RowUnit(5)},
                 counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(TtxPesWalker, PesHeadersOfAnyLengthAreSkippedByTheirOwnLength) {
  for (std::uint8_t headerData : {0, 5, 10, 36, 37, 120, 200}) {
    done.clear();
    walker.Reset();
    Feed(TtxPackets(TtxPes(Join({Header(100), RowUnit(7), RowUnit(8)}), headerData), counter));
    EXPECT_EQ(RowsOfPage100(), (std::vector<int>{7, 8})) << int(headerData);
  }
}

TEST_F(TtxPesWalker, OtherUnitsAreSkippedByTheirLength) {
  Feed(TtxStream({Header(100), OtherUnit(0xFF, 0x2C), RowUnit(1), OtherUnit(0xC0, 10), RowUnit(2),
                  OtherUnit(0x02, 0x10), RowUnit(3), OtherUnit(0x20, 0),
                  TtxUnit(TeletextPacketWriter::Row(1, 4, "subtitle unit"), 0x03)},
                 counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(TtxPesWalker, AdaptationFieldsShiftThePayload) {
  const Bytes pes = TtxPes(
      Join({Header(100), RowUnit(1), RowUnit(2), RowUnit(3), RowUnit(4), RowUnit(5), RowUnit(6)}));
  Feed(TtxPackets(pes, counter, {8, 1, 30, 2}));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(TtxPesWalker, ShortTailsAreDroppedAndTheNextPesStartsAfresh) {
  // The PES ends four bytes into row 3's unit: its length cuts the unit off.
  Bytes pes = TtxPes(Join({Header(100), RowUnit(1), RowUnit(2), RowUnit(3)}));
  pes.resize(pes.size() - 42);
  pes[5] = static_cast<std::uint8_t>(pes[5] - 42);
  Feed(TtxPackets(pes, counter));
  Feed(TtxStream({RowUnit(4)}, counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 4}));
  // A payload that breaks off inside the fixed PES header waits for the next start.
  done.clear();
  Bytes broken = TtxPackets(TtxPes(Join({Header(100), RowUnit(1)})), counter);
  broken[4 + 3] = 0xBE; // not private stream 1
  Feed(broken);
  Feed(TtxStream({Header(100), RowUnit(6)}, counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{6}));
  // Fewer than 188 bytes are no packet.
  const Bytes whole = TtxStream({Header(100), RowUnit(9)}, counter);
  Feed(Bytes(whole.begin(), whole.begin() + 187));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{}));
}

TEST_F(TtxPesWalker, AContinuityBreakWaitsForTheNextPesStart) {
  std::vector<Bytes> units{Header(100)};
  for (int row = 1; row <= 10; ++row)
    units.push_back(RowUnit(row));
  const Bytes packets = TtxStream(units, counter);
  ASSERT_GE(packets.size(), 188u * 3);
  // The second packet is lost: rows carried by the third and later packets are dropped too,
  // not misread from the wrong place.
  Bytes lost(packets.begin(), packets.begin() + 188);
  lost.insert(lost.end(), packets.begin() + 376, packets.end());
  Feed(lost);
  Feed(TtxStream({RowUnit(11)}, counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 11}));
}

TEST_F(TtxPesWalker, DuplicatesAreIgnoredAndDamagedPacketsResynchronise) {
  const Bytes packets =
      TtxStream({Header(100), RowUnit(1), RowUnit(2), RowUnit(3), RowUnit(4), RowUnit(5)}, counter);
  Bytes doubled(packets.begin(), packets.begin() + 376);
  doubled.insert(doubled.end(), packets.begin() + 188, packets.end()); // second packet twice
  Feed(doubled);
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 3, 4, 5}));

  done.clear();
  Bytes damaged =
      TtxStream({Header(100), RowUnit(1), RowUnit(2), RowUnit(3), RowUnit(4), RowUnit(5)}, counter);
  damaged[188 + 1] |= 0x80; // transport error in the second packet
  Feed(damaged);
  Feed(TtxStream({RowUnit(6)}, counter));
  EXPECT_EQ(RowsOfPage100(), (std::vector<int>{1, 2, 6}));
}

} // namespace
