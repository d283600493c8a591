#include "si/hashed_map.h"

#include <gtest/gtest.h>

#include <limits>

namespace qev::si {
namespace {

TEST(HashedMap, FindOrAddReturnsTheSameItemForTheSameKeysOnly) {
  THashedMap map(65536);
  auto &first = map.MapFindOrAdd(0, 0x12340001u, 1);
  EXPECT_EQ(first.user, 0u);
  first.user = 1;
  EXPECT_EQ(map.MapFindOrAdd(0, 0x12340001u, 1).user, 1u);
  EXPECT_EQ(map.MapFindOrAdd(1, 0x12340001u, 1).user, 0u); // differs in key3 only
  EXPECT_EQ(map.MapFindOrAdd(0, 0x12340001u, 2).user, 0u);
  EXPECT_EQ(map.Count(), 3u);
}

TEST(HashedMap, ChainsKeepEveryItemAndEfficiencyMeasuresTheirLength) {
  THashedMap map(7);
  EXPECT_EQ(map.MapEfficiency(), 0);
  // Keys 0, 7 and 14 share bucket 0: positions 1 + 2 + 3 = 6, so 3 × 100 ÷ 6.
  for (std::uint32_t key : {0u, 7u, 14u})
    map.MapFindOrAdd(0, key, 0).user = key + 100;
  EXPECT_EQ(map.MapEfficiency(), 50);
  for (std::uint32_t key : {0u, 7u, 14u})
    EXPECT_EQ(map.MapFindOrAdd(0, key, 0).user, key + 100);
  map.MapFindOrAdd(0, 1, 0);
  EXPECT_EQ(map.MapEfficiency(), 57); // 4 × 100 ÷ 7
}

TEST(HashedMap, ExtremeKeysHashWithoutOverflow) {
  THashedMap map(65536);
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  // key2 = INT32_MIN, key1 = 0 is the most negative 64-bit key, whose negation overflows.
  for (std::int32_t key2 : {kMin, kMax, -1, 0})
    for (std::uint32_t key1 : {0u, 1u, 0xFFFFFFFFu})
      map.MapFindOrAdd(0, key1, key2).user = 7;
  EXPECT_EQ(map.Count(), 12u);
  EXPECT_EQ(map.MapFindOrAdd(0, 0, kMin).user, 7u);
  EXPECT_EQ(map.Count(), 12u);
}

TEST(HashedMap, MemoryGrowsInStepsOf128ItemsAndClearReturnsToOneStep) {
  THashedMap map(65536);
  EXPECT_EQ(map.MapMemory(), 65536u * 4 + 128 * 17);
  for (std::uint32_t key = 1; key <= 126; ++key)
    map.MapFindOrAdd(0, key, 0);
  EXPECT_EQ(map.MapMemory(), 65536u * 4 + 128 * 17);
  map.MapFindOrAdd(0, 127, 0); // 127 items plus the unused index 0 fill the first block
  EXPECT_EQ(map.MapMemory(), 65536u * 4 + 256 * 17);
  for (std::uint32_t key = 128; key <= 1000; ++key)
    map.MapFindOrAdd(0, key, 0).user = key;
  EXPECT_EQ(map.MapFindOrAdd(0, 500, 0).user, 500u);
  EXPECT_EQ(map.MapEfficiency(), 100);
  map.MapClear();
  EXPECT_EQ(map.Count(), 0u);
  EXPECT_EQ(map.MapMemory(), 65536u * 4 + 128 * 17);
  EXPECT_EQ(map.MapFindOrAdd(0, 500, 0).user, 0u);
}

} // namespace
} // namespace qev::si
