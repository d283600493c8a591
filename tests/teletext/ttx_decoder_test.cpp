// Teletext packets into pages: headers, rows, links, and what a damaged or odd packet does.
#include "teletext/ttx_decoder.h"

#include "ttx_stream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace qev::teletext;
using qev::tsgen::Hamming84;
using qev::tsgen::TeletextLine;
using qev::tsgen::TeletextPacketWriter;
using qev::tsgen::TeletextPage;

class TtxDecoder : public ::testing::Test {
protected:
  void Send(const TeletextLine &line) {
    std::array<std::uint8_t, kTtxPacketBytes> raw;
    for (std::size_t i = 0; i < raw.size(); ++i)
      raw[i] = qev::tsgen::ReverseBits(line[i]);
    decoder.Decode(raw);
  }
  void Header(unsigned page, std::uint16_t subcode = 0, bool subtitle = false,
              std::uint8_t national = 0) {
    TeletextPage p;
    p.page = page;
    p.subcode = subcode;
    p.subtitle = subtitle;
    p.nationalOption = national;
    Send(TeletextPacketWriter::Header(p, "HEADER"));
  }
  void Row(unsigned page, int row, const char *text) {
    Send(TeletextPacketWriter::Row(qev::tsgen::MagazineOf(page), row, text));
  }
  void Filler(unsigned magazine) { Send(TeletextPacketWriter::TimeFiller(magazine, "")); }
  // A header line with its page and subcode digits given nibble by nibble.
  static TeletextLine RawHeader(unsigned magazine, unsigned units, unsigned tens,
                                std::uint16_t subcode = 0) {
    TeletextPage p;
    p.page = magazine * 100;
    TeletextLine line = TeletextPacketWriter::Header(p, "");
    line[2] = Hamming84(units);
    line[3] = Hamming84(tens);
    line[4] = Hamming84(subcode & 0xF);
    line[5] = Hamming84(subcode >> 4 & 7);
    line[6] = Hamming84(subcode >> 8 & 0xF);
    line[7] = Hamming84(subcode >> 12 & 3);
    return line;
  }

  std::vector<TtxPageBuffer> done;
  TTtxDecoder decoder{[this](const TtxPageBuffer &page) { done.push_back(page); }};
};

const std::array<std::uint8_t, kTtxColumns> kEmptyRow{};

std::string RowText(const TtxPageBuffer &page, int row) {
  std::string text;
  for (std::uint8_t byte : page.Rows[row])
    text += static_cast<char>(byte & 0x7F);
  return text;
}

TEST_F(TtxDecoder, APageIsHandedOverWhenTheNextHeaderOfItsMagazineArrives) {
  Header(123);
  Row(123, 1, "first row");
  Row(123, 24, "last row");
  Header(456); // another magazine: page 123 is still in reception
  Row(456, 3, "other");
  EXPECT_TRUE(done.empty());
  Header(124);
  ASSERT_EQ(done.size(), 1u);
  const TtxPageBuffer &page = done[0];
  EXPECT_EQ(page.Page, 123);
  EXPECT_EQ(page.SubPage, 0);
  EXPECT_EQ(RowText(page, 1).substr(0, 9), "first row");
  EXPECT_EQ(RowText(page, 24).substr(0, 8), "last row");
  EXPECT_EQ(page.Rows[2], kEmptyRow) << "rows not received stay zero";
  // Row 0: eight Hamming bytes of page, subcode and control, then the header text with parity.
  EXPECT_EQ(page.Rows[0][0], Hamming84(3));
  EXPECT_EQ(RowText(page, 0).substr(8, 6), "HEADER");
  EXPECT_EQ(page.Rows[1][0], qev::tsgen::OddParity('f')) << "display bytes keep their parity";
}

TEST_F(TtxDecoder, PageFFEndsThePageAndDropsTheRowsThatFollow) {
  Header(150);
  Row(150, 1, "kept");
  Filler(1);
  Row(150, 2, "dropped");
  Header(151);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(RowText(done[0], 1).substr(0, 4), "kept");
  EXPECT_EQ(done[0].Rows[2], kEmptyRow);
}

TEST_F(TtxDecoder, PageOrSubpageDigitsAboveNineActLikePageFF) {
  Header(100);
  Send(RawHeader(1, 0xA, 0)); // units 10: would read as page 110
  Row(110, 1, "dropped");
  Send(RawHeader(1, 0, 0xC)); // tens 12: would read as page 220 of magazine 1
  Row(100, 1, "dropped");
  Send(RawHeader(1, 5, 0, 0x000B)); // subcode digit 11: would read as subpage 11
  Row(100, 1, "dropped");
  Header(101);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].Page, 100);
}

TEST_F(TtxDecoder, MagazineZeroIsEightAndSubcodesGiveSubpages) {
  Header(899, 0x0003);
  Header(899, 0x3F7F);
  Header(899, 0x0079);
  Header(800);
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[0].Page, 899);
  EXPECT_EQ(done[0].SubPage, 3);
  EXPECT_EQ(done[1].SubPage, 16255) << "kept whole; the cache refuses it";
  EXPECT_EQ(done[2].SubPage, 79);
}

TEST_F(TtxDecoder, ControlBitsAndNationalOptionComeFromTheCorrectedNibbles) {
  Header(888, 0, true, 5);
  Header(889);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].Flags, kTtxEraseC4 | kTtxSubtitleC6 | kTtxSuppressHeaderC7 | kTtxUpdateC8);
  EXPECT_EQ(done[0].NationalOption, 5);

  // The same header with one bit flipped in each control byte reads the same.
  TeletextPage p;
  p.page = 888;
  p.subtitle = true;
  p.nationalOption = 5;
  TeletextLine line = TeletextPacketWriter::Header(p, "");
  line[5] ^= 0x80; // D4 (C4) wrong
  line[7] ^= 0x20; // D3 (C5) wrong
  line[8] ^= 0x02; // D1 (C7) wrong
  line[9] ^= 0x01; // P1 wrong
  Send(line);
  Header(889);
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[2].Page, 888);
  EXPECT_EQ(done[2].Flags, done[0].Flags);
  EXPECT_EQ(done[2].NationalOption, 5);
}

TEST_F(TtxDecoder, UncorrectableAddressesAndHeadersAreDropped) {
  Header(700);
  Row(700, 1, "kept");
  // Magazine 3 row 1 with a two-bit error in the address: read as 15 it would be row 1 of
  // magazine 7.
  TeletextLine bad = TeletextPacketWriter::Row(3, 1, "lost");
  bad[0] ^= 0x03;
  Send(bad);
  // A header of magazine 7 whose page byte is beyond correction ends page 700 but starts none.
  TeletextLine header = RawHeader(7, 1, 0);
  header[2] ^= 0x06;
  Row(700, 2, "before");
  Send(header);
  Row(701, 3, "dropped");
  TeletextLine subcode = RawHeader(7, 2, 0);
  subcode[6] ^= 0x81;
  Send(subcode);
  Row(702, 3, "dropped");
  Header(703);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(RowText(done[0], 1).substr(0, 4), "kept");
  EXPECT_EQ(RowText(done[0], 2).substr(0, 6), "before");
  EXPECT_NE(RowText(done[0], 1).substr(0, 4), "lost");
}

TEST_F(TtxDecoder, LinksOfPacket27WithTheirMagazinesAndRow24) {
  Header(123);
  Send(TeletextPacketWriter::Links(1, {100, 650, 199, 800}, true));
  Header(124);
  ASSERT_EQ(done.size(), 1u);
  const TtxPageBuffer &page = done[0];
  EXPECT_EQ(page.LinkPage, (std::array<std::uint16_t, 4>{100, 650, 199, 800}));
  EXPECT_EQ(page.LinkSubPage[1], 16255);
  EXPECT_EQ(page.ShowRow24, 8);

  // All three magazine bits set on page 123: magazine 1 XOR 7 = 6.
  TeletextLine links = TeletextPacketWriter::Links(1, {100, 101, 102, 103}, false);
  links[3 + 3] = Hamming84(0x8 | 7); // first link: M1 and S2
  links[3 + 5] = Hamming84(0xC | 3); // M2, M3 and S4
  links[3 + 6 + 1] = Hamming84(0xB); // second link: tens 11, skipped
  links[3 + 12] ^= 0x03;             // third link: units beyond correction, skipped
  Header(123);
  Send(links);
  Row(123, 25, "ignored"); // packets 25 and 26 are not rows
  Header(124);
  ASSERT_EQ(done.size(), 3u);
  EXPECT_EQ(done[2].LinkPage, (std::array<std::uint16_t, 4>{600, 0, 0, 103}));
  EXPECT_EQ(done[2].ShowRow24, 0);
}

TEST_F(TtxDecoder, ResetForgetsThePagesInReception) {
  Header(300);
  Row(300, 1, "gone");
  decoder.Reset();
  Row(300, 2, "dropped");
  Header(301);
  EXPECT_TRUE(done.empty());
}

} // namespace
