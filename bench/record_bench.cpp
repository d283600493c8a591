// Eight recordings of one 60 Mbit/s transport stream at once into a temporary folder: the
// written rate, the share of one core the whole process uses (recorder and pacing feeder), and
// the packets a device would have lost because a delivery came back too late for its buffer.
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "recording/recorder.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using namespace qev;
using Clock = std::chrono::steady_clock;

constexpr double kBitsPerSecond = 60e6;
constexpr std::size_t kPacketsPerBlock = 348; // 64 KB blocks, as a device batches bulk filters
constexpr std::size_t kBlockBytes = kPacketsPerBlock * 188;
// A device holds about this much in its buffer; a delivery later than that loses its block.
constexpr auto kDeviceBuffer = std::chrono::milliseconds(200);

// Every filter gets the whole stream from one pacing thread.
class TPacedSource final : public recording::IRecordSource {
public:
  std::int32_t StartFilter(std::uint16_t, std::uint8_t, DataCallback callback) override {
    const std::lock_guard lock(mutex_);
    filters_[next_] = std::move(callback);
    return next_++;
  }
  void StopFilter(std::int32_t handle) override {
    const std::lock_guard lock(mutex_);
    filters_.erase(handle);
  }
  bool Packets188() const override { return true; }
  std::string StreamExtension() const override { return ".ts"; }

  // Delivers for `duration`; returns the packets lost to late deliveries.
  std::int64_t Feed(std::chrono::seconds duration) {
    std::vector<std::uint8_t> block(kBlockBytes, 0xFF);
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(kBlockBytes * 8 / kBitsPerSecond));
    const auto start = Clock::now();
    std::int64_t lost = 0;
    int counter = 0;
    for (auto due = start; due - start < duration; due += period) {
      std::this_thread::sleep_until(due);
      if (Clock::now() - due > kDeviceBuffer) {
        lost += kPacketsPerBlock;
        continue;
      }
      for (std::size_t p = 0; p < kPacketsPerBlock; ++p, ++counter) {
        std::uint8_t *packet = block.data() + p * 188;
        packet[0] = 0x47;
        packet[1] = 0x01;
        packet[2] = 0x00;
        packet[3] = static_cast<std::uint8_t>(0x10 | (counter & 0x0F));
      }
      const std::lock_guard lock(mutex_);
      for (auto &[handle, callback] : filters_)
        callback(block.data(), block.size());
    }
    return lost;
  }

private:
  std::mutex mutex_;
  std::map<std::int32_t, DataCallback> filters_;
  std::int32_t next_ = 1;
};

double ProcessCpuSeconds() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void BM_EightRecordings60Mbit(benchmark::State &state) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("qev-record-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  frame::TRecordingOptions options;
  options.DestDirectory = folder.string();
  options.AskBeforeRec = false;
  frame::TNotificationHub hub;
  std::int64_t written = 0, lost = 0;
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    TPacedSource source;
    recording::TRecorder recorder(
        source, {hub, [&options]() -> const frame::TRecordingOptions & { return options; },
                 [&folder] { return folder; }});
    for (int i = 0; i < recording::kRecordSlots; ++i)
      recorder.RecStartPid(recording::kFullTsPid, "bench" + std::to_string(i), "");
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = Clock::now();
    lost += source.Feed(std::chrono::seconds(state.range(0)));
    cpu += ProcessCpuSeconds() - cpu0;
    wall += std::chrono::duration<double>(Clock::now() - wall0).count();
    for (const auto &view : recorder.Slots())
      written += view.TotalBytes;
    recorder.RecStopAll();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  std::filesystem::remove_all(folder);
  state.counters["MB/s"] = written / wall / 1e6;
  state.counters["cpu_%_of_core"] = 100.0 * cpu / wall;
  state.counters["packets_lost"] = static_cast<double>(lost);
}
BENCHMARK(BM_EightRecordings60Mbit)->Arg(5)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
