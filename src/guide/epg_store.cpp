#include "guide/epg_store.h"

#include "si/hashed_map.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

namespace qev::guide {

namespace {

// Not 65,536: the map's bucket is the key's remainder, and the remainder by 2^16 keeps only the
// event id, so every service of a network that numbers its events alike shares one chain and
// each repeat of a schedule walks it. A prime whose remainder of 2^16 is near the golden section
// of it spreads the services of one event id evenly over the buckets.
constexpr std::size_t kHashBuckets = 106'033;
constexpr std::uint32_t kStoredMark = 1;
// Unsorted entries a service gathers before they are merged into its sorted part: keeps an
// insert cheap and bounds the linear part of FindNow.
constexpr std::size_t kTailLimit = 64;

enum TText : std::size_t { kName, kShortText, kItems, kExtendedText, kTextCount };

// The fixed part of a stored event; its four texts share one block, so an event costs one
// allocation beside the record.
struct TRecord {
  std::unique_ptr<char[]> Texts;
  std::uint32_t Length[kTextCount] = {};
  std::uint32_t StartTime = 0;
  std::uint32_t Duration = 0;
  std::uint16_t OriginalNetworkId = 0;
  std::uint16_t TransportStreamId = 0;
  std::uint16_t ServiceId = 0;
  std::uint16_t EventId = 0;
  char Language[3] = {};
  std::uint8_t LanguageLength = 0;
  bool HasShortEvent = false;
  std::uint8_t Content = 0;
  std::uint8_t MinAge = 0;

  std::size_t TextBytes() const {
    std::size_t total = 0;
    for (std::uint32_t length : Length)
      total += length;
    return total;
  }
};

std::uint32_t ClampLength(std::size_t length) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(length, UINT32_MAX));
}

TRecord MakeRecord(const TEpgEvent &event) {
  TRecord rec;
  const std::string *texts[kTextCount] = {&event.Name, &event.ShortText, &event.Items,
                                          &event.ExtendedText};
  std::size_t total = 0;
  for (std::size_t i = 0; i < kTextCount; ++i) {
    rec.Length[i] = ClampLength(texts[i]->size());
    total += rec.Length[i];
  }
  if (total > 0) {
    rec.Texts = std::make_unique_for_overwrite<char[]>(total);
    char *out = rec.Texts.get();
    for (std::size_t i = 0; i < kTextCount; ++i) {
      std::memcpy(out, texts[i]->data(), rec.Length[i]);
      out += rec.Length[i];
    }
  }
  rec.StartTime = event.StartTime;
  rec.Duration = event.Duration;
  rec.OriginalNetworkId = event.OriginalNetworkId;
  rec.TransportStreamId = event.TransportStreamId;
  rec.ServiceId = event.ServiceId;
  rec.EventId = event.EventId;
  rec.LanguageLength = static_cast<std::uint8_t>(std::min<std::size_t>(event.Language.size(), 3));
  std::memcpy(rec.Language, event.Language.data(), rec.LanguageLength);
  rec.HasShortEvent = event.HasShortEvent;
  rec.Content = event.Content;
  rec.MinAge = event.MinAge;
  return rec;
}

TEpgEvent ToEvent(const TRecord &rec) {
  TEpgEvent event;
  event.OriginalNetworkId = rec.OriginalNetworkId;
  event.TransportStreamId = rec.TransportStreamId;
  event.ServiceId = rec.ServiceId;
  event.EventId = rec.EventId;
  event.StartTime = rec.StartTime;
  event.Duration = rec.Duration;
  event.HasShortEvent = rec.HasShortEvent;
  event.Content = rec.Content;
  event.MinAge = rec.MinAge;
  event.Language.assign(rec.Language, rec.LanguageLength);
  std::string *texts[kTextCount] = {&event.Name, &event.ShortText, &event.Items,
                                    &event.ExtendedText};
  const char *in = rec.Texts.get();
  for (std::size_t i = 0; i < kTextCount; ++i) {
    texts[i]->assign(in, rec.Length[i]);
    in += rec.Length[i];
  }
  return event;
}

// One service's events for FindNow: a part sorted by start and a short tail in insertion
// order. Among the events on air the one stored first wins, as a scan of the whole store
// would find it.
class TServiceIndex {
public:
  struct TEntry {
    std::uint32_t Start;
    std::uint32_t Index; // insertion order
    std::int64_t End;    // start + duration, inclusive
  };

  void Add(const TRecord &rec, std::uint32_t index) {
    const std::int64_t end = std::int64_t{rec.StartTime} + rec.Duration;
    tail_.push_back({rec.StartTime, index, end});
    longest_ = std::max<std::int64_t>(longest_, rec.Duration);
    if (tail_.size() >= kTailLimit)
      MergeTail();
  }

  // The lowest insertion index on air at now, or none (UINT32_MAX).
  std::uint32_t FindNow(std::int64_t now) const {
    std::uint32_t best = UINT32_MAX;
    const auto onAir = [&](const TEntry &e) {
      if (e.Start <= now && now <= e.End)
        best = std::min(best, e.Index);
    };
    // Only events that start no earlier than now - longest can still run at now.
    const std::int64_t earliest = now - longest_;
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), earliest,
                               [](const TEntry &e, std::int64_t t) { return e.Start < t; });
    for (; it != sorted_.end() && it->Start <= now; ++it)
      onAir(*it);
    std::for_each(tail_.begin(), tail_.end(), onAir);
    return best;
  }

  std::size_t Memory() const {
    return (sorted_.capacity() + tail_.capacity()) * sizeof(TEntry) + sizeof(*this);
  }

private:
  void MergeTail() {
    const auto byStart = [](const TEntry &a, const TEntry &b) { return a.Start < b.Start; };
    std::sort(tail_.begin(), tail_.end(), byStart);
    const std::size_t middle = sorted_.size();
    sorted_.insert(sorted_.end(), tail_.begin(), tail_.end());
    std::inplace_merge(sorted_.begin(), sorted_.begin() + static_cast<std::ptrdiff_t>(middle),
                       sorted_.end(), byStart);
    tail_.clear();
  }

  std::vector<TEntry> sorted_;
  std::vector<TEntry> tail_;
  std::int64_t longest_ = 0;
};

std::uint32_t ServiceKey(std::uint16_t tid, std::uint16_t sid) {
  return (std::uint32_t{tid} << 16) | sid;
}

} // namespace

struct TEpgStore::TImpl {
  mutable std::shared_mutex lock;
  si::THashedMap map{kHashBuckets};
  std::deque<TRecord> records;
  std::unordered_map<std::uint32_t, TServiceIndex> services;
  std::size_t textBytes = 0;
  std::uint64_t generation = 0;

  si::THashedMap::TItem &Probe(std::uint16_t onid, std::uint16_t sid, std::uint16_t eventId) {
    const std::uint32_t key1 = (std::uint32_t{sid} << 16) | eventId;
    return map.MapFindOrAdd(0, key1, static_cast<std::int32_t>(onid));
  }
};

TEpgStore::TEpgStore() : impl_(std::make_unique<TImpl>()) {}
TEpgStore::~TEpgStore() = default;

bool TEpgStore::Contains(std::uint16_t onid, std::uint16_t sid, std::uint16_t eventId) {
  std::unique_lock guard(impl_->lock);
  return impl_->Probe(onid, sid, eventId).user == kStoredMark;
}

bool TEpgStore::Insert(TEpgEvent event) {
  if (event.StartTime == 0)
    return false;
  TRecord rec = MakeRecord(event); // outside the lock: readers wait only for the append
  std::unique_lock guard(impl_->lock);
  auto &item = impl_->Probe(event.OriginalNetworkId, event.ServiceId, event.EventId);
  if (item.user == kStoredMark)
    return false;
  item.user = kStoredMark;
  const auto index = static_cast<std::uint32_t>(impl_->records.size());
  impl_->services[ServiceKey(rec.TransportStreamId, rec.ServiceId)].Add(rec, index);
  impl_->textBytes += rec.TextBytes();
  impl_->records.push_back(std::move(rec));
  return true;
}

void TEpgStore::Clear() {
  std::unique_lock guard(impl_->lock);
  impl_->map.MapClear();
  std::deque<TRecord>().swap(impl_->records);
  impl_->services.clear();
  impl_->textBytes = 0;
  ++impl_->generation;
}

std::size_t TEpgStore::Count() const {
  std::shared_lock guard(impl_->lock);
  return impl_->records.size();
}

std::uint64_t TEpgStore::Generation() const {
  std::shared_lock guard(impl_->lock);
  return impl_->generation;
}

std::optional<TEpgEvent> TEpgStore::Get(std::size_t index) const {
  std::shared_lock guard(impl_->lock);
  if (index >= impl_->records.size())
    return std::nullopt;
  return ToEvent(impl_->records[index]);
}

std::optional<TEpgEvent> TEpgStore::FindNow(std::uint16_t tid, std::uint16_t sid,
                                            std::int64_t nowUtc) const {
  std::shared_lock guard(impl_->lock);
  const auto it = impl_->services.find(ServiceKey(tid, sid));
  if (it == impl_->services.end())
    return std::nullopt;
  const std::uint32_t index = it->second.FindNow(nowUtc);
  if (index == UINT32_MAX)
    return std::nullopt;
  return ToEvent(impl_->records[index]);
}

int TEpgStore::CompareStart(std::size_t a, std::size_t b) const {
  std::shared_lock guard(impl_->lock);
  const auto &records = impl_->records;
  if (a >= records.size() || b >= records.size())
    return 0;
  const std::uint32_t sa = records[a].StartTime, sb = records[b].StartTime;
  return sa < sb ? -1 : (sa > sb ? 1 : 0);
}

void TEpgStore::ForEach(const std::function<void(const TEpgEvent &)> &visit) const {
  std::shared_lock guard(impl_->lock);
  for (const TRecord &rec : impl_->records)
    visit(ToEvent(rec));
}

std::size_t TEpgStore::Memory() const {
  std::shared_lock guard(impl_->lock);
  std::size_t total =
      impl_->records.size() * sizeof(TRecord) + impl_->textBytes + impl_->map.MapMemory();
  for (const auto &[key, service] : impl_->services)
    total += sizeof(key) + service.Memory();
  return total;
}

int TEpgStore::HashEfficiency() const {
  std::shared_lock guard(impl_->lock);
  return impl_->map.MapEfficiency();
}

std::size_t TEpgStore::HashMemory() const {
  std::shared_lock guard(impl_->lock);
  return impl_->map.MapMemory();
}

} // namespace qev::guide
