#include "devkit/stream_engine.h"

#include <algorithm>
#include <utility>

namespace qev::devkit {

namespace {

constexpr std::uint16_t kMaxPid = 0x1FFF;

// The delivery modes of one AV slot's programme: 0x13, 0x23, 0x33, 0x43.
int SlotOfMode(std::uint16_t mode) {
  for (int slot = 0; slot < kAvSlots; ++slot)
    if (mode == QEV_DELIVER_AV_SLOT(slot))
      return slot;
  return -1;
}

bool KnownMode(std::uint16_t mode) {
  return mode == QEV_DELIVER_PAYLOADS || mode == QEV_DELIVER_SECTIONS ||
         mode == QEV_DELIVER_PACKETS || SlotOfMode(mode) >= 0;
}

// Three PIDs and a valid bit packed into one word, so readers never see half an update.
std::uint64_t PackSlot(std::uint16_t audio, std::uint16_t video, std::uint16_t pcr) {
  return (1ull << 48) | (std::uint64_t(audio) << 32) | (std::uint64_t(video) << 16) | pcr;
}

// The filter whose callback runs on this thread, so that it may stop itself.
thread_local const void *callbackRunning = nullptr;
// The engine this thread feeds, whose table it walks: a filter started or stopped from inside
// a callback must not change the table under it.
thread_local const void *feedingEngine = nullptr;

} // namespace

struct TStreamEngine::Filter {
  explicit Filter(std::atomic<std::size_t> &held) : held(held) { ++held; }
  ~Filter() { --held; }
  Filter(const Filter &) = delete;
  Filter &operator=(const Filter &) = delete;

  std::atomic<std::size_t> &held;
  std::int32_t handle;
  std::uint16_t pid;
  std::uint16_t mode;
  bool batched;
  FilterCallback callback;
  void *context;
  SectionMatch sectionMatch;

  // Held while the callback runs and while the pending batch is touched.
  std::mutex callMutex;
  bool stopped = false;
  std::vector<std::uint8_t> batch;
  std::size_t batchUnits = 0;
  Clock::time_point batchStart;
  TSectionAssembler assembler;

  void Call(std::span<const std::uint8_t> data) {
    callbackRunning = this;
    callback(data.data(), static_cast<std::int32_t>(data.size()), context);
    callbackRunning = nullptr;
  }
  void Add(std::span<const std::uint8_t> unit, Clock::time_point now) {
    if (!batched) {
      Call(unit);
      return;
    }
    if (batchUnits == 0)
      batchStart = now;
    batch.insert(batch.end(), unit.begin(), unit.end());
    if (++batchUnits >= kBatchUnits)
      FlushBatch();
  }
  void FlushBatch() {
    if (batchUnits == 0)
      return;
    std::vector<std::uint8_t> data;
    data.swap(batch);
    batchUnits = 0;
    Call(data);
    if (batch.empty()) // keep the allocation for the next batch
      batch.swap(data), batch.clear();
  }
};

TStreamEngine::TStreamEngine() : byPid_(QEV_PID_ALL + 1) {}

TStreamEngine::~TStreamEngine() { StopAll(); }

std::int32_t TStreamEngine::NextFreeHandle() {
  for (int tries = 0; tries < QEV_FILTER_HANDLE_MAX; ++tries) {
    const std::int32_t handle = nextHandle_;
    nextHandle_ = handle == QEV_FILTER_HANDLE_MAX ? 1 : handle + 1;
    if (!handles_.contains(handle))
      return handle;
  }
  return kFilterNoHandle;
}

std::int32_t TStreamEngine::StartFilter(std::uint16_t pid, FilterCallback callback,
                                        std::uint16_t mode, const std::uint8_t *match,
                                        const std::uint8_t *mask, std::uint8_t flags,
                                        void *context) {
  if (callback == nullptr || pid > QEV_PID_ALL || !KnownMode(mode) ||
      (mode == QEV_DELIVER_SECTIONS && pid == QEV_PID_ALL))
    return kFilterBadRequest;
  auto filter = std::make_shared<Filter>(heldFilters_);
  filter->pid = pid;
  filter->mode = mode;
  filter->batched = flags == 0 && mode != QEV_DELIVER_SECTIONS;
  filter->callback = callback;
  filter->context = context;
  if (match != nullptr && mask != nullptr) {
    std::copy_n(match, QEV_SECTION_FILTER_BYTES, filter->sectionMatch.match);
    std::copy_n(mask, QEV_SECTION_FILTER_BYTES, filter->sectionMatch.mask);
  }

  std::int32_t handle = 0;
  {
    std::lock_guard lock(tableMutex_);
    handle = filter->handle = NextFreeHandle();
    if (handle < 0)
      return handle;
    handles_.emplace(handle, filter);
    changes_.push_back({std::move(filter), true});
  }
  ApplyChangesIfIdle();
  return handle;
}

std::int32_t TStreamEngine::StopFilter(std::int32_t handle) {
  FilterPtr filter;
  {
    std::lock_guard lock(tableMutex_);
    const auto it = handles_.find(handle);
    if (it == handles_.end())
      return -1;
    filter = std::move(it->second);
    handles_.erase(it);
    // A filter whose start is still pending leaves no trace; else its removal is pending.
    const auto pending = std::find_if(changes_.begin(), changes_.end(),
                                      [&](const Change &c) { return c.add && c.filter == filter; });
    if (pending != changes_.end())
      changes_.erase(pending);
    else
      changes_.push_back({filter, false});
  }
  if (callbackRunning == filter.get()) {
    // Inside its own callback this thread already holds the call lock.
    filter->stopped = true;
    return 0;
  }
  {
    std::lock_guard lock(filter->callMutex); // waits for a callback running on another thread
    filter->stopped = true;
    filter->batch.clear();
    filter->batchUnits = 0;
  }
  filter.reset();
  ApplyChangesIfIdle();
  return 0;
}

void TStreamEngine::StopAll() {
  std::vector<std::int32_t> handles;
  {
    std::lock_guard lock(tableMutex_);
    for (const auto &entry : handles_)
      handles.push_back(entry.first);
  }
  for (std::int32_t handle : handles)
    StopFilter(handle);
}

std::size_t TStreamEngine::FilterCount() const {
  std::lock_guard lock(tableMutex_);
  return handles_.size();
}

// The delivery thread's turn: it walks the table, and only the holder of the turn changes it.
class TStreamEngine::DeliveryTurn {
public:
  explicit DeliveryTurn(TStreamEngine &engine)
      : lock_(engine.deliveryMutex_), outer_(std::exchange(feedingEngine, &engine)) {}
  ~DeliveryTurn() { feedingEngine = outer_; }
  DeliveryTurn(const DeliveryTurn &) = delete;
  DeliveryTurn &operator=(const DeliveryTurn &) = delete;

private:
  std::lock_guard<std::mutex> lock_;
  const void *outer_;
};

void TStreamEngine::ApplyChangesIfIdle() {
  if (feedingEngine == this)
    return; // a callback of this engine: the feed applies them when it delivers again
  std::unique_lock turn(deliveryMutex_, std::try_to_lock);
  if (turn)
    ApplyChanges();
}

void TStreamEngine::ApplyChanges() {
  std::vector<Change> changes;
  {
    std::lock_guard lock(tableMutex_);
    if (changes_.empty())
      return;
    changes.swap(changes_);
  }
  for (auto &change : changes) {
    auto &list = byPid_[change.filter->pid];
    if (change.add) {
      list.push_back(change.filter);
      active_.push_back(change.filter);
    } else {
      std::erase(list, change.filter);
      std::erase(active_, change.filter);
    }
  }
}

void TStreamEngine::SetChannelPids(int slot, std::uint16_t audioPid, std::uint16_t videoPid,
                                   std::uint16_t pcrPid) {
  if (slot >= 0 && slot < kAvSlots)
    slotPids_[slot].store(PackSlot(audioPid, videoPid, pcrPid));
}

void TStreamEngine::ClearChannelPids() {
  for (auto &pids : slotPids_)
    pids.store(0);
}

bool TStreamEngine::InSlot(int slot, std::uint16_t pid) const {
  const std::uint64_t packed = slotPids_[slot].load();
  if ((packed >> 48) == 0 || pid > kMaxPid)
    return false;
  return pid == ((packed >> 32) & 0xFFFF) || pid == ((packed >> 16) & 0xFFFF) ||
         pid == (packed & 0xFFFF);
}

void TStreamEngine::Feed(std::span<const std::uint8_t> bytes, Clock::time_point now) {
  const DeliveryTurn turn(*this);
  FeedTurn(bytes, now);
}

void TStreamEngine::Flush(Clock::time_point now, bool force) {
  const DeliveryTurn turn(*this);
  FlushTurn(now, force);
}

void TStreamEngine::FeedTurn(std::span<const std::uint8_t> bytes, Clock::time_point now) {
  ApplyChanges();
  std::span<const std::uint8_t> data = bytes;
  if (!carry_.empty()) {
    carry_.insert(carry_.end(), bytes.begin(), bytes.end());
    data = carry_;
  }
  std::size_t pos = 0;
  while (pos + kPacketSize <= data.size()) {
    if (data[pos] != kSyncByte) {
      ++pos; // lost sync: look for the next packet start
      continue;
    }
    DeliverPacket(data.data() + pos, now);
    pos += kPacketSize;
  }
  std::vector<std::uint8_t> rest(data.begin() + pos, data.end());
  carry_.swap(rest);
  FlushTurn(now, false);
}

void TStreamEngine::DeliverPacket(const std::uint8_t *packet, Clock::time_point now) {
  for (const auto &filter : byPid_[TsPacket(packet).Pid()])
    Deliver(*filter, packet, now);
  for (const auto &filter : byPid_[QEV_PID_ALL])
    Deliver(*filter, packet, now);
}

void TStreamEngine::Deliver(Filter &filter, const std::uint8_t *packet, Clock::time_point now) {
  const TsPacket ts(packet);
  std::lock_guard lock(filter.callMutex);
  if (filter.stopped)
    return;
  switch (filter.mode) {
  case QEV_DELIVER_PAYLOADS:
    if (ts.HasPayload())
      filter.Add(ts.RawPayload(), now);
    return;
  case QEV_DELIVER_SECTIONS:
    filter.assembler.Push(ts, [&filter](std::span<const std::uint8_t> section) {
      if (!filter.stopped && filter.sectionMatch.Accepts(section))
        filter.Call(section);
    });
    return;
  case QEV_DELIVER_PACKETS:
    filter.Add({packet, kPacketSize}, now);
    return;
  default:
    if (InSlot(SlotOfMode(filter.mode), ts.Pid()))
      filter.Add({packet, kPacketSize}, now);
  }
}

void TStreamEngine::FlushTurn(Clock::time_point now, bool force) {
  ApplyChanges();
  for (const auto &filter : active_) {
    std::lock_guard lock(filter->callMutex);
    if (!filter->stopped && filter->batchUnits > 0 &&
        (force || now - filter->batchStart >= kBatchAge))
      filter->FlushBatch();
  }
}

} // namespace qev::devkit
