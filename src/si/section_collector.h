#pragma once

#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <stop_token>
#include <vector>

namespace qev::si {

// Which sections of a PID belong to the table being collected.
struct SectionTableFilter {
  std::uint8_t tableId = 0;
  std::uint16_t extensionValue = 0;
  std::uint16_t extensionMask = 0; // 0 = any table_id_extension
};

// Gathers one copy of every section number of one table version. Sections arrive on the device
// module's delivery thread; the collecting thread waits for completion on a condition variable,
// so it wakes as soon as the last missing section has been stored.
class SectionCollector {
public:
  using Section = std::vector<std::uint8_t>;

  explicit SectionCollector(const SectionTableFilter &filter);

  // Called once per delivered section; damaged, foreign and repeated sections are dropped, and a
  // new version of the table starts the collection over.
  void Accept(std::span<const std::uint8_t> data);

  // Waits until the table is complete, the deadline passes or a stop is requested; true when
  // complete.
  template <class Clock, class Duration>
  bool WaitComplete(std::stop_token stop,
                    const std::chrono::time_point<Clock, Duration> &deadline) {
    std::unique_lock lock(mutex_);
    return completed_.wait_until(lock, stop, deadline, [this] { return CompleteLocked(); });
  }

  bool Complete() const;
  bool Empty() const;
  // How many sections are held, and the table's last section number (0 while none is held).
  struct Counts {
    int collected = 0;
    int lastSection = 0;
  };
  Counts Progress() const;
  // The sections in section-number order, taken out of the collector, which starts empty again.
  std::vector<Section> TakeSections();
  // Forgets what was collected, so a new attempt cannot mix with the sections of an old one.
  void Clear();

private:
  bool Matches(std::span<const std::uint8_t> section) const;
  void ClearLocked();
  bool CompleteLocked() const;

  const SectionTableFilter filter_;
  mutable std::mutex mutex_;
  std::condition_variable_any completed_;
  std::vector<Section> slots_;
  std::bitset<256> present_;
  int version_ = -1;
  std::uint8_t lastSection_ = 0;
};

// The whole section a delivery starts with when it is a complete, CRC-valid long-form section
// that is currently applicable; else empty.
std::span<const std::uint8_t> ValidSection(std::span<const std::uint8_t> data);

} // namespace qev::si
