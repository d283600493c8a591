// The stream engine of every device module under a heavy load: one second of a 60 Mbit/s
// transponder delivered to 30 filters of mixed modes, fed in the chunks a tuner hands over.
// CPU time per iteration is the CPU time per second of stream.
#include "description_file.h"
#include "devkit/stream_engine.h"
#include "multiplexer.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <sstream>
#include <string>
#include <vector>

using namespace qev;

namespace {

constexpr std::uint64_t kBitrate = 60'000'000;
constexpr std::size_t kChunk = 188 * 348; // what a DVB card's DMA buffer holds

std::string Description() {
  std::string text = "[transponder]\ntsid = 1\nonid = 1\nnetwork_id = 1\nnetwork = Bench\n"
                     "frequency = 11836000\npolarisation = H\nsymbol_rate = 27500000\n"
                     "start = 2026-12-09 20:00:00\nduration = 1\nbitrate = " +
                     std::to_string(kBitrate) + "\n";
  for (int s = 0; s < 8; ++s) {
    const int base = 0x100 * (s + 1);
    text += "[service]\nid = " + std::to_string(s + 1) + "\npmt = " + std::to_string(base) +
            "\npcr = " + std::to_string(base + 1) + "\ntype = 1\nname = Service " +
            std::to_string(s) + "\nprovider = Bench\n";
    text += "[stream]\nkind = h264\npid = " + std::to_string(base + 1) + "\n";
    text += "[stream]\nkind = mpa\npid = " + std::to_string(base + 2) + "\nlang = eng\n";
    text += "[event]\nid = 1\nstart = 2026-12-09 20:00:00\nduration = 3600\nname = News\n"
            "text = Today\nrepeat_days = 6\n";
  }
  return text;
}

// The generator fills the multiplex up with null packets; a real transponder carries picture
// there, so the null packets become video packets of the eight services in turn.
void NullPacketsToVideo(std::vector<std::uint8_t> &stream) {
  std::uint8_t continuity[8] = {};
  int service = 0;
  for (std::size_t at = 0; at + 188 <= stream.size(); at += 188) {
    std::uint8_t *p = stream.data() + at;
    if (((p[1] & 0x1F) << 8 | p[2]) != 0x1FFF)
      continue;
    const int pid = 0x100 * (service + 1) + 1;
    p[1] = static_cast<std::uint8_t>(pid >> 8);
    p[2] = static_cast<std::uint8_t>(pid & 0xFF);
    p[3] = static_cast<std::uint8_t>(0x10 | (continuity[service]++ & 0x0F));
    service = (service + 1) % 8;
  }
}

const std::vector<std::uint8_t> &Stream() {
  static const std::vector<std::uint8_t> stream = [] {
    std::istringstream in(Description());
    auto bytes = tsgen::GenerateStream(tsgen::DescriptionFile::Parse(in));
    NullPacketsToVideo(bytes);
    return bytes;
  }();
  return stream;
}

struct Counter {
  std::uint64_t bytes = 0;
  static void Count(const std::uint8_t *, std::int32_t length, void *context) {
    static_cast<Counter *>(context)->bytes += static_cast<std::uint64_t>(length);
  }
};

// 8 payload, 8 section, 6 whole-packet and 8 AV-slot filters (half of these one call per
// packet, as a recorder of one stream asks).
void StartThirtyFilters(devkit::TStreamEngine &engine, Counter &counter) {
  const std::uint8_t none[17] = {};
  for (int s = 0; s < 8; ++s) {
    const auto base = static_cast<std::uint16_t>(0x100 * (s + 1));
    engine.StartFilter(static_cast<std::uint16_t>(base + 2), Counter::Count, 1, none, none, 0,
                       &counter);
    std::uint8_t match[17] = {0x4E}, mask[17] = {0xFF}; // EIT present/following
    engine.StartFilter(s == 0 ? 0x12 : base, Counter::Count, 3, s == 0 ? match : none,
                       s == 0 ? mask : none, 0, &counter);
  }
  for (std::uint16_t pid : {0x0000, 0x0011, 0x0012, 0x0014, 0x0201, 0x2000})
    engine.StartFilter(pid, Counter::Count, 188, none, none, 0, &counter);
  for (int slot = 0; slot < 4; ++slot) {
    const auto base = static_cast<std::uint16_t>(0x100 * (slot + 1));
    engine.SetChannelPids(slot, static_cast<std::uint16_t>(base + 2),
                          static_cast<std::uint16_t>(base + 1),
                          static_cast<std::uint16_t>(base + 1));
    const auto mode = static_cast<std::uint16_t>(0x13 + 0x10 * slot);
    engine.StartFilter(QEV_PID_ALL, Counter::Count, mode, none, none, 0, &counter);
    engine.StartFilter(static_cast<std::uint16_t>(base + 1), Counter::Count, mode, none, none, 1,
                       &counter);
  }
}

void SixtyMbitToThirtyFilters(benchmark::State &state) {
  const std::vector<std::uint8_t> &stream = Stream();
  devkit::TStreamEngine engine;
  Counter counter;
  StartThirtyFilters(engine, counter);
  auto now = devkit::Clock::now();
  for (auto _ : state) {
    for (std::size_t at = 0; at < stream.size(); at += kChunk) {
      const std::size_t n = std::min(kChunk, stream.size() - at);
      engine.Feed({stream.data() + at, n}, now);
      now += std::chrono::microseconds(n * 8'000'000 / kBitrate);
    }
    engine.Flush(now, true);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
  state.counters["filters"] = static_cast<double>(engine.FilterCount());
  state.counters["delivered_MB"] = static_cast<double>(counter.bytes) / 1e6;
  state.counters["stream_s"] =
      static_cast<double>(stream.size()) * 8 / static_cast<double>(kBitrate);
}
BENCHMARK(SixtyMbitToThirtyFilters)->Unit(benchmark::kMillisecond);

// Heap bytes in use; not meaningful under a sanitizer's allocator.
std::int64_t HeapInUse() { return static_cast<std::int64_t>(mallinfo2().uordblks); }

// What start/stop pairs leave behind: a consumer that opens and closes a section filter for
// every table it waits for, with the stream fed (range 1) or no signal at all (range 0).
// heap_growth_per_pair should stay at 0 however many pairs run.
void StartStopPairsMemoryGrowth(benchmark::State &state) {
  const bool fed = state.range(0) != 0;
  const std::vector<std::uint8_t> &stream = Stream();
  devkit::TStreamEngine engine;
  Counter counter;
  const std::uint8_t match[17] = {0x42}, mask[17] = {0xFF};
  std::size_t at = 0;
  std::int64_t pairs = 0;
  const std::int64_t before = HeapInUse();
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i, ++pairs) {
      engine.StopFilter(
          engine.StartFilter(0x11, Counter::Count, QEV_DELIVER_SECTIONS, match, mask, 1, &counter));
      if (fed && i % 100 == 0) {
        engine.Feed({stream.data() + at, 188}, devkit::Clock::now());
        at = (at + 188) % stream.size();
      }
    }
  }
  const std::int64_t growth = HeapInUse() - before;
  state.counters["pairs"] = static_cast<double>(pairs);
  state.counters["heap_growth_MB"] = static_cast<double>(growth) / 1e6;
  state.counters["heap_growth_per_pair"] = static_cast<double>(growth) / static_cast<double>(pairs);
  state.counters["held_filters"] = static_cast<double>(engine.HeldFilters());
}
BENCHMARK(StartStopPairsMemoryGrowth)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1000)
    ->Unit(benchmark::kMillisecond);

} // namespace
