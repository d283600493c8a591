// The section assembler with its CRC check over a packed EIT stream, and the CRC-32 alone.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "section.h"
#include "si/crc32_mpeg.h"
#include "si/section_assembler.h"

namespace {

using qev::tsgen::Bytes;
constexpr std::size_t kPayload = qev::si::TPk184ToSection::kPayloadSize;

// EIT sections of typical sizes packed back to back into payloads with pointer fields, as the
// EIT PID of a busy transponder delivers them (about 8 MB).
Bytes PackedEitStream() {
  std::mt19937 random(7);
  Bytes sections;
  std::vector<std::size_t> starts;
  while (sections.size() < 8 * 1024 * 1024) {
    Bytes body(200 + random() % 1800);
    for (auto &byte : body)
      byte = static_cast<std::uint8_t>(random());
    const auto tableId = static_cast<std::uint8_t>(0x50 + random() % 16);
    const Bytes section = qev::tsgen::LongSection({.tableId = tableId}, body, true);
    starts.push_back(sections.size());
    sections.insert(sections.end(), section.begin(), section.end());
  }
  Bytes payloads;
  std::size_t p = 0;
  auto next = starts.begin();
  while (p < sections.size()) {
    while (next != starts.end() && *next < p)
      ++next;
    const bool pointer = next != starts.end() && *next < p + kPayload - 1;
    const std::size_t room = pointer ? kPayload - 1 : kPayload;
    if (pointer)
      payloads.push_back(static_cast<std::uint8_t>(*next - p));
    const std::size_t take = std::min(room, sections.size() - p);
    payloads.insert(payloads.end(), sections.begin() + static_cast<std::ptrdiff_t>(p),
                    sections.begin() + static_cast<std::ptrdiff_t>(p + take));
    payloads.resize(payloads.size() + room - take, 0xFF);
    p += take;
  }
  return payloads;
}

void AssemblerWithCrc(benchmark::State &state) {
  const Bytes stream = PackedEitStream();
  std::vector<std::uint8_t> ids;
  for (int id = 0x4E; id <= 0x6F; ++id)
    ids.push_back(static_cast<std::uint8_t>(id));
  std::size_t sections = 0;
  for (auto _ : state) {
    qev::si::TPk184ToSection assembler;
    assembler.AsmSetTableIds(ids);
    // Bursts of 64 payloads, as a device module's callback hands them over.
    for (std::size_t at = 0; at < stream.size(); at += 64 * kPayload) {
      assembler.AsmAppend({stream.data() + at, std::min(64 * kPayload, stream.size() - at)});
      while (assembler.AsmNextSection())
        ++sections;
    }
    benchmark::DoNotOptimize(sections);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
  state.counters["sections"] = static_cast<double>(sections / state.iterations());
}
BENCHMARK(AssemblerWithCrc)->Unit(benchmark::kMillisecond);

void Crc32Alone(benchmark::State &state) {
  Bytes data(static_cast<std::size_t>(state.range(0)));
  std::mt19937 random(3);
  for (auto &byte : data)
    byte = static_cast<std::uint8_t>(random());
  for (auto _ : state)
    benchmark::DoNotOptimize(qev::si::Crc32Mpeg(data));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(Crc32Alone)->Arg(4096)->Arg(1 << 20);

} // namespace
