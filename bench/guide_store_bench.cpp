// The guide store with 60,000 events on 30 services: the event on air, an insert, and the
// bytes an event costs beside its texts (heap growth as the allocator counts it).

#include "guide/epg_store.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <random>

namespace {

using qev::guide::TEpgEvent;
using qev::guide::TEpgStore;

constexpr int kServices = 30;
constexpr int kEventsPerService = 2000;
constexpr std::uint32_t kFirstStart = 1'700'000'000;
constexpr std::uint32_t kEventLength = 1800;

// Schedules arrive segment by segment and service by service, not in start order.
std::vector<TEpgEvent> Guide() {
  std::vector<TEpgEvent> events;
  for (int s = 0; s < kServices; ++s)
    for (int i = 0; i < kEventsPerService; ++i) {
      TEpgEvent e;
      e.OriginalNetworkId = 1;
      e.TransportStreamId = 1101;
      e.ServiceId = static_cast<std::uint16_t>(100 + s);
      e.EventId = static_cast<std::uint16_t>(i);
      e.StartTime = kFirstStart + static_cast<std::uint32_t>(i) * kEventLength;
      e.Duration = kEventLength;
      e.Language = "DEU";
      e.Name = "Event name of some length";
      e.ShortText = std::string(80, 's');
      e.ExtendedText = std::string(400, 'x');
      events.push_back(std::move(e));
    }
  std::shuffle(events.begin(), events.end(), std::mt19937(7));
  return events;
}

std::size_t TextBytes(const TEpgEvent &e) {
  return e.Name.size() + e.ShortText.size() + e.Items.size() + e.ExtendedText.size();
}

void BM_FindNow(benchmark::State &state) {
  TEpgStore store;
  for (auto &e : Guide())
    store.Insert(std::move(e));
  std::mt19937 random(1);
  for (auto _ : state) {
    const auto sid = static_cast<std::uint16_t>(100 + random() % kServices);
    const std::int64_t now = kFirstStart + random() % (kEventsPerService * kEventLength);
    benchmark::DoNotOptimize(store.FindNow(1101, sid, now));
  }
}
BENCHMARK(BM_FindNow);

void BM_InsertGuide(benchmark::State &state) {
  const auto guide = Guide();
  std::size_t texts = 0;
  for (const auto &e : guide)
    texts += TextBytes(e);
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    TEpgStore store;
    for (const auto &e : guide)
      store.Insert(e);
    const std::size_t grown = mallinfo2().uordblks - before;
    // The fixed hash buckets are left out: they cost the same for one event or a million.
    const double perEvent =
        (static_cast<double>(grown) - 106033.0 * 4 - static_cast<double>(texts)) / guide.size();
    state.counters["heap_bytes_per_event_beside_texts"] = perEvent;
    state.counters["memory_figure_per_event_beside_texts"] =
        (static_cast<double>(store.Memory()) - 106033.0 * 4 - static_cast<double>(texts)) /
        guide.size();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(guide.size()));
}
BENCHMARK(BM_InsertGuide)->Unit(benchmark::kMillisecond);

} // namespace
