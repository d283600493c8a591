// The guide at the size of a full satellite: 200 services with seven days of schedule (about
// 60,000 events) made by tsgen, ingested through the section assembler and the EIT parser into
// the store; the store's memory per event, the event-on-air lookup and the kept guide's save
// and load.
#include "eit_tables.h"
#include "guide/eit_parser.h"
#include "guide/epg_keep.h"
#include "guide/epg_store.h"
#include "section_packer.h"
#include "si/section_assembler.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <numeric>
#include <random>
#include <unistd.h>

using namespace qev;

namespace {

constexpr int kServices = 200;
constexpr int kDays = 7;
constexpr int kEventsPerDay = 43;                // a third of an hour to an hour each
constexpr tsgen::UtcSeconds kStart = 1796774400; // 2026-12-09 00:00 UTC

tsgen::Transponder GuideTransponder() {
  tsgen::Transponder tp;
  tp.transportStreamId = 7;
  tp.start = kStart;
  for (int s = 0; s < kServices; ++s) {
    tsgen::Service service;
    service.serviceId = static_cast<std::uint16_t>(0x100 + s);
    service.name = "Service " + std::to_string(s);
    tsgen::UtcSeconds start = kStart;
    for (int e = 0; e < kDays * kEventsPerDay; ++e) {
      tsgen::Event event;
      event.eventId = static_cast<std::uint16_t>(e + 1);
      event.start = start;
      event.duration = 1200 + (e * 7919 + s * 104729) % 2400;
      start += event.duration;
      event.name = "Programme " + std::to_string(e) + " of " + service.name;
      event.shortText = "What happens in programme " + std::to_string(e) + ", told short.";
      event.content = {static_cast<std::uint8_t>(0x10 + (e % 10) * 16)};
      service.events.push_back(std::move(event));
    }
    tp.services.push_back(std::move(service));
  }
  return tp;
}

// The 184-byte payloads of PID 0x12 carrying every service's schedule, as a device delivers
// them.
const std::vector<std::uint8_t> &EitPayloads() {
  static const std::vector<std::uint8_t> payloads = [] {
    const tsgen::Transponder tp = GuideTransponder();
    const tsgen::EitBuilder builder(tp, false);
    std::vector<tsgen::Bytes> sections;
    for (const tsgen::Service &service : tp.services)
      for (tsgen::Bytes &section : builder.Schedule(service, kStart))
        sections.push_back(std::move(section));
    tsgen::Flaws flaws;
    tsgen::SectionPacker packer(0x12, flaws);
    std::vector<std::uint8_t> bytes;
    for (const tsgen::TsPacket &packet : packer.Pack(sections))
      bytes.insert(bytes.end(), packet.bytes.begin() + 4, packet.bytes.end());
    return bytes;
  }();
  return payloads;
}

// Feeds the payloads in device-sized deliveries and parses every whole section.
std::size_t Ingest(guide::TEpgStore &store) {
  si::TPk184ToSection assembler;
  std::vector<std::uint8_t> ids(0x6F - 0x4E + 1);
  std::iota(ids.begin(), ids.end(), std::uint8_t{0x4E});
  assembler.AsmSetTableIds(ids);
  const std::vector<std::uint8_t> &payloads = EitPayloads();
  constexpr std::size_t kDelivery = 184 * 64;
  for (std::size_t at = 0; at < payloads.size(); at += kDelivery) {
    assembler.AsmAppend(std::span(payloads).subspan(at, std::min(kDelivery, payloads.size() - at)));
    while (assembler.AsmNextSection())
      guide::ParseEitSection(assembler.Section(), store);
  }
  return store.Count();
}

const guide::TEpgStore &FullStore() {
  static guide::TEpgStore store;
  if (store.Count() == 0)
    Ingest(store);
  return store;
}

void BM_EitIngest(benchmark::State &state) {
  EitPayloads(); // made once, outside the timing
  std::size_t events = 0;
  for (auto _ : state) {
    guide::TEpgStore store;
    events = Ingest(store);
    benchmark::DoNotOptimize(events);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * EitPayloads().size()));
  state.counters["events"] = static_cast<double>(events);
  state.counters["events/s"] = benchmark::Counter(static_cast<double>(events * state.iterations()),
                                                  benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EitIngest)->Unit(benchmark::kMillisecond);

// The steady state of a running guide: the schedule comes round again and every event is a
// repeat, which must cost one hash probe and no text decoding.
void BM_EitRepeats(benchmark::State &state) {
  guide::TEpgStore store;
  Ingest(store);
  for (auto _ : state)
    benchmark::DoNotOptimize(Ingest(store));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * EitPayloads().size()));
  state.counters["events/s"] = benchmark::Counter(
      static_cast<double>(store.Count() * state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EitRepeats)->Unit(benchmark::kMillisecond);

// Bytes per event: the whole store, and beside the texts it holds.
void BM_StoreMemory(benchmark::State &state) {
  const guide::TEpgStore &store = FullStore();
  std::size_t texts = 0;
  store.ForEach([&texts](const guide::TEpgEvent &e) {
    texts += e.Language.size() + e.Name.size() + e.ShortText.size() + e.Items.size() +
             e.ExtendedText.size();
  });
  for (auto _ : state)
    benchmark::DoNotOptimize(store.Memory());
  const double count = static_cast<double>(store.Count());
  state.counters["events"] = count;
  state.counters["total_bytes"] = static_cast<double>(store.Memory());
  state.counters["bytes/event"] = static_cast<double>(store.Memory()) / count;
  state.counters["bytes/event_beside_texts"] = static_cast<double>(store.Memory() - texts) / count;
}
BENCHMARK(BM_StoreMemory)->Iterations(1);

void BM_FindNow(benchmark::State &state) {
  const guide::TEpgStore &store = FullStore();
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> service(0, kServices - 1);
  std::uniform_int_distribution<std::int64_t> when(kStart, kStart + kDays * 86400 - 3600);
  std::vector<std::pair<std::uint16_t, std::int64_t>> asks(4096);
  for (auto &ask : asks)
    ask = {static_cast<std::uint16_t>(0x100 + service(rng)), when(rng)};
  std::size_t i = 0;
  for (auto _ : state) {
    const auto &[sid, now] = asks[i++ & 4095];
    benchmark::DoNotOptimize(store.FindNow(7, sid, now));
  }
}
BENCHMARK(BM_FindNow);

std::filesystem::path KeptFile() {
  return std::filesystem::temp_directory_path() /
         ("qev-epg-bench-" + std::to_string(::getpid()) + ".dat");
}

void BM_KeptGuideSave(benchmark::State &state) {
  const guide::TEpgStore &store = FullStore();
  for (auto _ : state)
    if (const std::string error = guide::SaveKeptGuide(store, KeptFile(), kStart); !error.empty())
      state.SkipWithError(error.c_str());
  state.counters["events"] = static_cast<double>(store.Count());
}
BENCHMARK(BM_KeptGuideSave)->Unit(benchmark::kMillisecond);

void BM_KeptGuideLoad(benchmark::State &state) {
  if (const std::string error = guide::SaveKeptGuide(FullStore(), KeptFile(), kStart);
      !error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  std::size_t loaded = 0;
  for (auto _ : state) {
    guide::TEpgStore store;
    std::string error;
    if (!guide::LoadKeptGuide(store, KeptFile(), kStart, error))
      state.SkipWithError(error.c_str());
    loaded = store.Count();
  }
  state.counters["events"] = static_cast<double>(loaded);
  std::filesystem::remove(KeptFile());
}
BENCHMARK(BM_KeptGuideLoad)->Unit(benchmark::kMillisecond);

} // namespace
