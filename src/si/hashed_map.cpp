#include "si/hashed_map.h"

#include <algorithm>

namespace qev::si {

namespace {

constexpr std::size_t kBytesPerBucket = 4;
constexpr std::size_t kBytesPerItem = 17;

} // namespace

THashedMap::THashedMap(std::size_t buckets) : buckets_(std::max<std::size_t>(buckets, 1), 0) {
  MapClear();
}

void THashedMap::MapClear() {
  std::fill(buckets_.begin(), buckets_.end(), 0);
  std::vector<TItem> fresh(1);
  capacity_ = kItemStep;
  fresh.reserve(capacity_);
  items_.swap(fresh);
}

// key2 × 2^32 + key1 as a signed 64-bit number, reduced by its magnitude. The magnitude is taken
// in unsigned arithmetic: negating the most negative value would overflow.
std::size_t THashedMap::Bucket(std::uint32_t key1, std::int32_t key2) const {
  const std::int64_t key = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(static_cast<std::uint32_t>(key2)) << 32 | key1);
  const std::uint64_t magnitude =
      key < 0 ? ~static_cast<std::uint64_t>(key) + 1 : static_cast<std::uint64_t>(key);
  return static_cast<std::size_t>(magnitude % buckets_.size());
}

THashedMap::TItem &THashedMap::MapFindOrAdd(std::uint8_t key3, std::uint32_t key1,
                                            std::int32_t key2) {
  std::int32_t &head = buckets_[Bucket(key1, key2)];
  for (std::int32_t i = head; i != 0; i = items_[static_cast<std::size_t>(i)].next) {
    TItem &item = items_[static_cast<std::size_t>(i)];
    if (item.key1 == key1 && item.key2 == key2 && item.key3 == key3)
      return item;
  }
  // The capacity keeps one spare slot beyond the new item, as the memory figure counts it.
  if (items_.size() + 1 >= capacity_) {
    capacity_ += kItemStep;
    items_.reserve(capacity_);
  }
  items_.push_back({.key1 = key1, .key2 = key2, .next = head, .key3 = key3, .user = 0});
  head = static_cast<std::int32_t>(items_.size() - 1);
  return items_.back();
}

int THashedMap::MapEfficiency() const {
  std::uint64_t positions = 0;
  for (std::int32_t head : buckets_) {
    std::uint64_t position = 0;
    for (std::int32_t i = head; i != 0; i = items_[static_cast<std::size_t>(i)].next)
      positions += ++position;
  }
  if (positions == 0)
    return 0;
  return static_cast<int>((Count() * 100 + positions / 2) / positions);
}

std::size_t THashedMap::MapMemory() const {
  return buckets_.size() * kBytesPerBucket + capacity_ * kBytesPerItem;
}

} // namespace qev::si
