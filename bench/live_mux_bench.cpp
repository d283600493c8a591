// The live multiplexer of the demo sky: CPU time per second of a 40 Mbit/s transponder (must
// stay under 5 % of one core), and the time to encode one transponder's clips, which with the
// other three makes up the build time of the demo sky.
#include "description_file.h"
#include "live_transponder.h"
#include "multiplexer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBitrate = 40'000'000;
constexpr std::uint64_t kPacketsPerSecond = kBitrate / (188 * 8);
const char *const kTransponders[] = {"s1_10788v", "s1_12188h", "s2_11054h", "s2_12303v"};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_LiveMuxSecondAt40Mbit(benchmark::State &state) {
  const fs::path description =
      fs::path(QEV_DEMO_SKY_DIR) / (std::string(kTransponders[state.range(0)]) + ".txt");
  qev::tsgen::Transponder tp = qev::tsgen::DescriptionFile::Load(description.string());
  tp.bitrate = kBitrate;
  qev::tsgen::Multiplexer mux(tp, qev::tsgen::LoadInput(tp),
                              {.clock = qev::sim::SystemUtcClock(), .live = true});
  std::uint64_t bytes = 0;
  const auto sink = [&bytes](std::span<const std::uint8_t> p) { bytes += p.size(); };
  mux.Produce(kPacketsPerSecond, sink); // tables built and cached once
  const double before = ThreadCpuSeconds();
  for (auto _ : state) {
    mux.Produce(kPacketsPerSecond, sink);
  }
  const double cpu = ThreadCpuSeconds() - before;
  benchmark::DoNotOptimize(bytes);
  state.SetLabel(kTransponders[state.range(0)]);
  // CPU seconds per second of stream, as a share of one core.
  state.counters["core_percent"] = 100.0 * cpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LiveMuxSecondAt40Mbit)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// One transponder's clips as the build encodes them: three TV services and a radio service.
void BM_EncodeDemoClips(benchmark::State &state) {
  const fs::path out = fs::temp_directory_path() / ("qev-bench-clip-" + std::to_string(getpid()));
  const std::string command =
      std::string(QEV_ENCODE_CLIP) + " " + out.string() +
      " 3 video:257:mpeg2:smpte:One audio:258:440:sine video:513:h264:ball:Two "
      "audio:514:550:triangle video:769:h264:snow:Three audio:770:660:square "
      "audio:1025:330:sine";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("encode_clip.sh failed (GStreamer missing?)");
      break;
    }
  }
  fs::remove(out);
}
BENCHMARK(BM_EncodeDemoClips)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
