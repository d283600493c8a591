#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qev::si {

// A compact hash set keyed by two 32-bit values and one byte; the guide remembers with it which
// events it has stored. Items are never removed one by one, only all at once by MapClear.
class THashedMap {
public:
  static constexpr std::size_t kItemStep = 128;

  struct TItem {
    std::uint32_t key1 = 0;
    std::int32_t key2 = 0;
    std::int32_t next = 0; // index of the next item in the chain, 0 = end
    std::uint8_t key3 = 0;
    std::uint32_t user = 0; // 0 when created; the owner's mark
  };

  explicit THashedMap(std::size_t buckets);

  // The item with exactly these keys, created (user word 0) when there is none. The reference
  // stays valid until the next MapFindOrAdd or MapClear.
  TItem &MapFindOrAdd(std::uint8_t key3, std::uint32_t key1, std::int32_t key2);
  void MapClear();
  // Items × 100 ÷ (sum of the items' 1-based chain positions), rounded; 0 when empty.
  int MapEfficiency() const;
  // Bucket array at 4 bytes per bucket plus 17 bytes per item of the capacity.
  std::size_t MapMemory() const;
  std::size_t Count() const { return items_.size() - 1; }

private:
  std::size_t Bucket(std::uint32_t key1, std::int32_t key2) const;

  std::vector<std::int32_t> buckets_;
  // Index 0 is never an item, so 0 can mean "none" in buckets and chains.
  std::vector<TItem> items_;
  std::size_t capacity_ = kItemStep;
};

} // namespace qev::si
