#include "si/section_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::si {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SectionReader, SectionBodyStopsBeforeTheCrcAndAtTheDeliveredEnd) {
  // section_length 11: five header bytes, 0xAB 0xCD and four CRC bytes; one byte delivered
  // beyond the section.
  const Bytes section = {0x42, 0xB0, 0x0B, 1, 2, 3, 4, 5, 0xAB, 0xCD, 0xDE, 0xAD, 0xBE, 0xEF, 0x77};
  TSectionReader r = TSectionReader::OfSection(section);
  EXPECT_EQ(r.Size(), 10u);
  r.Seek(8);
  EXPECT_EQ(r.U16(), 0xABCD);
  EXPECT_EQ(r.U8(), 0); // the CRC is not data
  EXPECT_TRUE(r.Failed());

  const Bytes cut(section.begin(), section.begin() + 9); // delivered short of its length
  EXPECT_EQ(TSectionReader::OfSection(cut).Size(), 9u);
  EXPECT_EQ(TSectionReader::OfSection(Bytes{0x42, 0xB0}).Size(), 0u);
  EXPECT_EQ(TSectionReader::OfSection(Bytes{0x42, 0xB0, 0x02, 0, 0}).Size(), 0u);
}

TEST(SectionReader, ReadsPastTheEndFailAndStayAtTheEnd) {
  const Bytes data = {0xE1, 0x23, 0xF0, 0x05, 0x02, 'a', 'b'};
  TSectionReader r(data);
  EXPECT_EQ(r.Pid(), 0x0123);
  EXPECT_EQ(r.Len12(), 0x005);
  EXPECT_EQ(r.Field().size(), 3u);
  EXPECT_FALSE(r.Failed());
  EXPECT_EQ(r.U16(), 0);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Remaining(), 0u);
  EXPECT_TRUE(r.Bytes(1).empty());
}

TEST(SectionReader, LoopLengthsPastTheEndAreCutAndMarkTheReaderFailed) {
  const Bytes data = {1, 2, 3, 4};
  TSectionReader r(data);
  r.Skip(1);
  TSectionReader loop = r.Sub(10);
  EXPECT_EQ(loop.Size(), 3u);
  EXPECT_TRUE(r.Failed());
  EXPECT_EQ(r.Remaining(), 0u);

  const Bytes field = {5, 'x', 'y'};
  TSectionReader f(field);
  EXPECT_TRUE(f.Field().empty()); // the length byte claims five, two are there
  EXPECT_TRUE(f.Failed());
  TSectionReader s(data);
  s.Seek(9);
  EXPECT_TRUE(s.Failed());
  EXPECT_EQ(s.Remaining(), 0u);
}

} // namespace
} // namespace qev::si
