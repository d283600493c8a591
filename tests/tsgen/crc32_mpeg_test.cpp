#include "si/crc32_mpeg.h"

#include <gtest/gtest.h>
#include <string_view>

#include "section.h"

namespace qev::tsgen {
namespace {

std::uint32_t CrcOf(std::string_view text) {
  return si::Crc32Mpeg({reinterpret_cast<const std::uint8_t *>(text.data()), text.size()});
}

TEST(TsgenCrc32, KnownVectors) {
  EXPECT_EQ(CrcOf("123456789"), 0x0376E6E7u); // the catalogued check value of CRC-32/MPEG-2
  EXPECT_EQ(CrcOf(""), 0xFFFFFFFFu);
}

TEST(TsgenCrc32, WholeSectionIncludingCrcGivesZero) {
  // A PAT with one programme, as found in countless streams.
  const Bytes section =
      LongSection({.tableId = 0, .extension = 1}, Bytes{0x00, 0x01, 0xE1, 0x00}, false);
  EXPECT_EQ(si::Crc32Mpeg(section), 0u);
  Bytes broken = section;
  BreakCrc(broken);
  EXPECT_NE(si::Crc32Mpeg(broken), 0u);
}

} // namespace
} // namespace qev::tsgen
