// The section assembler with its CRC check over a packed EIT stream, the CRC-32 alone, and the
// PSI/SI parsers over the tables of a busy transponder (sections per second).

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "data/transponder_list.h"
#include "psi_tables.h"
#include "section.h"
#include "si/crc32_mpeg.h"
#include "si/psi_parsers.h"
#include "si/section_assembler.h"
#include "si_tables.h"

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

qev::tsgen::Stream StreamOf(qev::tsgen::StreamKind kind, std::uint16_t pid, std::string language) {
  qev::tsgen::Stream stream;
  stream.kind = kind;
  stream.pid = pid;
  stream.language = std::move(language);
  return stream;
}

// A busy transponder: 24 scrambled TV services with video, two sounds and teletext each, in a
// network of 80 transponders whose NIT lists their services.
qev::tsgen::Transponder BusyTransponder() {
  using namespace qev::tsgen;
  Transponder tp;
  for (std::uint16_t i = 0; i < 24; ++i) {
    Service service;
    service.serviceId = static_cast<std::uint16_t>(0x1000 + i);
    service.pmtPid = static_cast<std::uint16_t>(0x100 + i);
    auto pid = static_cast<std::uint16_t>(0x200 + i * 8);
    service.pcrPid = pid;
    service.name = "Service " + std::to_string(i);
    service.provider = "QEV Broadcasting";
    service.streams = {
        StreamOf(StreamKind::H264Video, pid, ""), StreamOf(StreamKind::MpegAudio, ++pid, "eng"),
        StreamOf(StreamKind::Ac3Audio, ++pid, "deu"), StreamOf(StreamKind::Teletext, ++pid, "")};
    service.streams.back().teletext = {{"eng", TeletextType::Initial, 100},
                                       {"eng", TeletextType::Subtitle, 888}};
    service.ca = {{0x0100, ++pid, {0x65}}, {0x0500, ++pid, {0x030B00}}};
    tp.services.push_back(service);
  }
  for (std::uint16_t t = 0; t < 80; ++t) {
    OtherTransport other;
    other.transportStreamId = static_cast<std::uint16_t>(0x2000 + t);
    other.delivery.frequencyKhz = 10700000 + t * 25000u;
    other.services = tp.services;
    tp.others.push_back(other);
  }
  return tp;
}

// Runs `parse` over every section of a table per iteration; reports sections per second.
template <class Parse>
void ParseSections(benchmark::State &state, const std::vector<Bytes> &sections, Parse parse) {
  for (auto _ : state)
    for (const Bytes &section : sections)
      parse(section);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * sections.size()));
  state.counters["sections"] = static_cast<double>(sections.size());
}

void ParsePatSections(benchmark::State &state) {
  const auto sections = qev::tsgen::BuildPat(BusyTransponder());
  ParseSections(state, sections, [](const Bytes &section) {
    std::vector<qev::data::TChannelRec> list;
    qev::si::ParsePat(section, list);
    benchmark::DoNotOptimize(list.data());
  });
}
BENCHMARK(ParsePatSections);

void ParsePmtSections(benchmark::State &state) {
  std::vector<Bytes> sections;
  for (const auto &service : BusyTransponder().services)
    sections.push_back(qev::tsgen::BuildPmt(service));
  ParseSections(state, sections, [](const Bytes &section) {
    qev::data::TChannelRec rec{};
    qev::si::ParsePmt(section, rec);
    benchmark::DoNotOptimize(rec);
  });
}
BENCHMARK(ParsePmtSections);

void ParseSdtSections(benchmark::State &state) {
  const auto tp = BusyTransponder();
  std::vector<qev::data::TChannelRec> scan;
  for (const Bytes &section : qev::tsgen::BuildPat(tp))
    qev::si::ParsePat(section, scan);
  // The scan's own lookup: linear over the records of the transponder.
  const qev::si::TRecordFinder find = [&scan](std::uint16_t tid, std::uint16_t sid) {
    for (auto &rec : scan)
      if (rec.TID == tid && rec.SID == sid)
        return &rec;
    return static_cast<qev::data::TChannelRec *>(nullptr);
  };
  ParseSections(state, qev::tsgen::BuildSdtActual(tp),
                [&find](const Bytes &section) { qev::si::ParseSdt(section, find); });
}
BENCHMARK(ParseSdtSections);

void ParseNitSections(benchmark::State &state) {
  ParseSections(state, qev::tsgen::BuildNit(BusyTransponder()), [](const Bytes &section) {
    qev::data::TSatTransponders list;
    qev::si::ParseNit(section, list);
    benchmark::DoNotOptimize(list.Count());
  });
}
BENCHMARK(ParseNitSections);

} // namespace
