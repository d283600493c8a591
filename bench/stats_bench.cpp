// Per-PID statistics over a 60 Mbit/s transport stream: the counter's share of one processor
// core while the stream plays in real time, beside ffprobe -show_packets reading the same file
// in the same run (its CPU time over the stream's duration).
#include "description_file.h"
#include "diagnostics/stat_list.h"
#include "diagnostics/ts_statistics.h"
#include "multiplexer.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr double kBitRate = 60'000'000;
constexpr int kSeconds = 4;
// The device delivers in blocks of this many packets.
constexpr std::size_t kBlockPackets = 348;

constexpr const char *kDescription = "[transponder]\ntsid = 7\nonid = 1\nnetwork_id = 1\n"
                                     "start = 2026-12-09 20:00:00\nduration = 4\n"
                                     "bitrate = 60000000\n"
                                     "[service]\nid = 0x21\npmt = 0x100\npcr = 0x101\ntype = 1\n"
                                     "name = One\nprovider = Test\n"
                                     "[stream]\nkind = mpeg2\npid = 0x101\n"
                                     "[stream]\nkind = mpa\npid = 0x102\n";

struct TStream {
  std::filesystem::path file;
  std::vector<std::uint8_t> bytes;
  TStream() {
    file = std::filesystem::temp_directory_path() /
           ("qev-stats-bench-" + std::to_string(::getpid()) + ".ts");
    std::istringstream in(kDescription);
    qev::tsgen::GenerateFile(qev::tsgen::DescriptionFile::Parse(in), file.string());
    std::ifstream data(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(data), std::istreambuf_iterator<char>());
  }
  ~TStream() { std::filesystem::remove(file); }
  double Seconds() const { return static_cast<double>(bytes.size()) * 8 / kBitRate; }
};

TStream &Stream() {
  static TStream stream;
  return stream;
}

double ChildCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_CountWholeStream(benchmark::State &state) {
  const TStream &stream = Stream();
  auto stats = std::make_unique<qev::diagnostics::TTsStatistics>();
  const std::size_t block = kBlockPackets * 188;
  for (auto _ : state) {
    for (std::size_t at = 0; at < stream.bytes.size(); at += block)
      stats->CountPackets(
          std::span(stream.bytes).subspan(at, std::min(block, stream.bytes.size() - at)));
    benchmark::DoNotOptimize(stats->TotalPackets());
  }
  // The window's once-a-second work, counted once per stream second.
  qev::diagnostics::TStatList list;
  stats->ComputeRates(1000);
  list.Refresh(*stats);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.bytes.size()));
  state.counters["stream_s"] = stream.Seconds();
  // Of one core while the stream plays in real time: 100 x CPU time per second of stream
  // (an inverted rate divides the measured time by the value).
  state.counters["cpu_share_pct"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * stream.Seconds() / 100.0,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CountWholeStream)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_FfprobeShowPackets(benchmark::State &state) {
  if (std::system("command -v ffprobe >/dev/null 2>&1") != 0) {
    state.SkipWithError("ffprobe is not installed");
    return;
  }
  const TStream &stream = Stream();
  const std::string command =
      "ffprobe -v error -show_packets -of compact '" + stream.file.string() + "' >/dev/null";
  double cpu = 0;
  for (auto _ : state) {
    const double before = ChildCpuSeconds();
    if (std::system(command.c_str()) != 0)
      state.SkipWithError("ffprobe failed");
    cpu += ChildCpuSeconds() - before;
  }
  state.counters["cpu_share_pct"] =
      100.0 * cpu / static_cast<double>(state.iterations()) / stream.Seconds();
}
BENCHMARK(BM_FfprobeShowPackets)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
