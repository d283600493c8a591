// The teletext decoder on a busy teletext PID: 50 pages a second (header, 23 rows, links), each
// with a header clock that changes every second, so every page is copied into the cache as on
// air. Packets per second through the PES walk, the decoding and the cache, and the share of one
// core that a 1 Mbit/s teletext PID costs (a percentage, printed with SI prefixes: 9m is
// 0.009 %); libzvbi decodes the same stream in the same run.
#include "pes.h"
#include "support/zvbi_peer.h"
#include "teletext/ttx_cache.h"
#include "teletext/ttx_decoder.h"
#include "teletext/ttx_pes_walker.h"
#include "teletext_packet.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace qev;

namespace {

constexpr std::uint16_t kPid = 0x104;
constexpr int kSeconds = 20;
constexpr int kPagesPerSecond = 50;
constexpr double kPacketsPerSecondAt1Mbit = 1e6 / (188 * 8);

std::vector<tsgen::TeletextUnit> PageUnits(unsigned number, int second) {
  tsgen::TeletextPage page;
  page.page = number;
  const unsigned magazine = tsgen::MagazineOf(number);
  std::vector<tsgen::TeletextUnit> units;
  units.push_back({false, tsgen::TeletextPacketWriter::Header(
                              page, "QEV-DVB " + std::to_string(number) +
                                        " 20:00:" + std::to_string(10 + second % 50))});
  for (int row = 1; row <= 23; ++row)
    units.push_back(
        {false,
         tsgen::TeletextPacketWriter::Row(
             magazine, row, "Row " + std::to_string(row) + " of page " + std::to_string(number))});
  units.push_back(
      {false, tsgen::TeletextPacketWriter::Links(magazine, {100, 200, 300, 400}, true)});
  return units;
}

// Whole packets of the teletext PID, continuity counted, pages 100..899 in turn. The two
// variants' clocks differ, so that fed one after the other every page differs from its copy in
// the cache.
std::vector<std::uint8_t> MakeStream(int variant) {
  std::vector<tsgen::TeletextUnit> units;
  for (int i = 0; i < kSeconds * kPagesPerSecond; ++i) {
    const auto page =
        PageUnits(100 + static_cast<unsigned>(i) % 800, i / kPagesPerSecond + variant * 25);
    units.insert(units.end(), page.begin(), page.end());
  }
  std::vector<std::uint8_t> bytes;
  unsigned counter = 0;
  for (std::size_t at = 0; at < units.size(); at += tsgen::kUnitsPerTeletextPes) {
    const std::size_t n = std::min(tsgen::kUnitsPerTeletextPes, units.size() - at);
    const std::vector<tsgen::TeletextUnit> part(units.begin() + at, units.begin() + at + n);
    for (tsgen::TsPacket packet : tsgen::Packetize(kPid, tsgen::TeletextPes(part, 0))) {
      packet.SetContinuity(counter++);
      bytes.insert(bytes.end(), packet.bytes.begin(), packet.bytes.end());
    }
  }
  return bytes;
}

const std::vector<std::uint8_t> &Stream(int variant = 0) {
  static const std::vector<std::uint8_t> streams[2] = {MakeStream(0), MakeStream(1)};
  return streams[variant];
}

void Report(benchmark::State &state) {
  const double packets = static_cast<double>(Stream().size() / 188);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * packets));
  state.counters["packets_per_s"] =
      benchmark::Counter(packets, benchmark::Counter::kIsIterationInvariantRate);
  // Seconds per packet times packets per second at 1 Mbit/s, as a percentage of one core.
  state.counters["pct_core_at_1Mbit"] = benchmark::Counter(
      packets / (kPacketsPerSecondAt1Mbit * 100),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TeletextDecoder(benchmark::State &state) {
  teletext::TTtxCache cache;
  std::size_t stored = 0;
  teletext::TTtxDecoder decoder([&](const teletext::TtxPageBuffer &page) {
    stored += cache.Commit(page).Outcome == teletext::TTtxCache::TCommit::Stored;
  });
  teletext::TTtxPesWalker walker(decoder);
  int variant = 0;
  for (auto _ : state) {
    walker.Reset();
    walker.Feed(Stream(variant ^= 1));
  }
  state.counters["pages_stored_per_pass"] =
      static_cast<double>(stored) / static_cast<double>(state.iterations());
  Report(state);
}
BENCHMARK(BM_TeletextDecoder)->Unit(benchmark::kMillisecond);

void BM_LibzvbiDecoder(benchmark::State &state) {
#ifndef QEV_HAVE_ZVBI
  state.SkipWithError("libzvbi is not installed");
#else
  const auto &stream = Stream();
  std::size_t pages = 0;
  test::TZvbiPeer zvbi(kPid, [&](int, int) { ++pages; });
  for (auto _ : state)
    zvbi.Feed(stream);
  state.counters["pages_per_pass"] =
      static_cast<double>(pages) / static_cast<double>(state.iterations());
  Report(state);
#endif
}
BENCHMARK(BM_LibzvbiDecoder)->Unit(benchmark::kMillisecond);

} // namespace
