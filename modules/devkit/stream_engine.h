#pragma once

#include "devapi/qev_devapi.h"
#include "devkit/section_assembler.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <unordered_map>
#include <vector>

namespace qev::devkit {

using Clock = std::chrono::steady_clock;

// Batches with the flag byte 0 are handed on at this size or age.
inline constexpr std::size_t kBatchUnits = 64;
inline constexpr auto kBatchAge = std::chrono::milliseconds(20);
inline constexpr int kAvSlots = 4;

// Result of StartFilter when the request itself is wrong (PID, mode, callback).
inline constexpr std::int32_t kFilterBadRequest = -1;
// Result of StartFilter when all handles are in use.
inline constexpr std::int32_t kFilterNoHandle = -3;

// The filter table and delivery that every device module needs. The module feeds the transport
// stream on one delivery thread; the program starts and stops filters from any thread.
// After StopFilter returns, the filter's callback is neither running on another thread nor
// called again; stopping a filter from inside its own callback is allowed.
class TStreamEngine {
public:
  TStreamEngine();
  ~TStreamEngine();

  // Returns a handle 1..0x7FFF; a handle is reused only after all others have been handed out.
  std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                           const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                           void *context);
  // 0 when the handle was running, -1 for an unknown handle.
  std::int32_t StopFilter(std::int32_t handle);
  void StopAll();
  // The programme of an AV slot, for the delivery modes 0x13..0x43.
  void SetChannelPids(int slot, std::uint16_t audioPid, std::uint16_t videoPid,
                      std::uint16_t pcrPid);
  // No AV slot has a programme: their filters deliver nothing until SetChannelPids.
  void ClearChannelPids();
  std::size_t FilterCount() const;
  // Filters the engine still holds, running or stopped and not yet let go; a stopped filter is
  // let go at once unless the delivery thread is feeding, else when that feed ends.
  std::size_t HeldFilters() const { return heldFilters_; }

  // On the delivery thread: any number of bytes of the stream (packets may be split between
  // calls; the engine finds the sync bytes again after garbage).
  void Feed(std::span<const std::uint8_t> bytes, Clock::time_point now);
  // On the delivery thread: hands on the batches that are due (all with force).
  void Flush(Clock::time_point now, bool force = false);

private:
  struct Filter;
  using FilterPtr = std::shared_ptr<Filter>;
  // A change of the table. The table is walked by the delivery thread without a lock, so a
  // change is applied by whoever holds the delivery turn: at once when the delivery thread is
  // not feeding, else by that thread before it delivers again.
  struct Change {
    FilterPtr filter;
    bool add;
  };
  class DeliveryTurn;

  void ApplyChanges();
  void ApplyChangesIfIdle();
  void FeedTurn(std::span<const std::uint8_t> bytes, Clock::time_point now);
  void FlushTurn(Clock::time_point now, bool force);
  void DeliverPacket(const std::uint8_t *packet, Clock::time_point now);
  void Deliver(Filter &filter, const std::uint8_t *packet, Clock::time_point now);
  bool InSlot(int slot, std::uint16_t pid) const;
  std::int32_t NextFreeHandle();

  mutable std::mutex tableMutex_;
  std::unordered_map<std::int32_t, FilterPtr> handles_; // under tableMutex_
  std::vector<Change> changes_;                         // under tableMutex_
  std::int32_t nextHandle_ = 1;                         // under tableMutex_
  std::array<std::atomic<std::uint64_t>, kAvSlots> slotPids_{};
  std::atomic<std::size_t> heldFilters_{0};

  // Held by the delivery thread while it feeds, and by whoever applies the changes.
  std::mutex deliveryMutex_;
  // Under deliveryMutex_.
  std::vector<std::vector<FilterPtr>> byPid_; // index 0x2000: the filters of all PIDs
  std::vector<FilterPtr> active_;
  std::vector<std::uint8_t> carry_;
};

} // namespace qev::devkit
