#include "si/crc32_mpeg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string_view>
#include <vector>

namespace qev::si {
namespace {

std::uint32_t BitwiseCrc(std::span<const std::uint8_t> data) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t byte : data) {
    crc ^= std::uint32_t{byte} << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc;
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

void AppendCrc(std::vector<std::uint8_t> &section) {
  const std::uint32_t crc = Crc32Mpeg(section);
  for (int shift = 24; shift >= 0; shift -= 8)
    section.push_back(static_cast<std::uint8_t>(crc >> shift));
}

TEST(Crc32Mpeg, KnownValues) {
  EXPECT_EQ(Crc32Mpeg(Bytes("123456789")), 0x0376E6E7u);
  EXPECT_EQ(Crc32Mpeg({}), 0xFFFFFFFFu);
}

TEST(Crc32Mpeg, IntactSectionGivesZeroAndAnyChangedByteDoesNot) {
  std::vector<std::uint8_t> section{0x42, 0xF0, 0x11, 0x00, 0x01, 0xC1, 0x00, 0x00,
                                    0x00, 0x01, 0xFF, 0x00, 0x01, 0x80, 0x00};
  AppendCrc(section);
  EXPECT_EQ(Crc32Mpeg(section), 0u);
  for (std::size_t i = 0; i < section.size(); ++i) {
    auto damaged = section;
    damaged[i] ^= 0x10;
    EXPECT_NE(Crc32Mpeg(damaged), 0u) << "byte " << i;
  }
}

TEST(Crc32Mpeg, MatchesBitwiseReferenceOnRandomData) {
  std::mt19937 random(1234);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> data(random() % 700);
    for (auto &byte : data)
      byte = static_cast<std::uint8_t>(random());
    // Unaligned starts exercise the tail loop and the eight-byte steps at every offset.
    const std::size_t skip = data.empty() ? 0 : random() % (data.size() + 1);
    const std::span<const std::uint8_t> view(data.data() + skip, data.size() - skip);
    ASSERT_EQ(Crc32Mpeg(view), BitwiseCrc(view)) << "size " << view.size();
  }
}

} // namespace
} // namespace qev::si
