// One transponder scan of the demo sky: the scan engine over the simulator module broadcasting
// the richest demo transponder live, locking at once. Prints the seconds of one scan beside the
// slowest repetition period of the tables the scan reads; the scan should take no longer than
// that period and a tenth.

#include <benchmark/benchmark.h>

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "description_file.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/transponder_tuner.h"
#include "frame/app_paths.h"
#include "frame/options.h"
#include "si/device_filter_source.h"
#include "si/psi_scan_thread.h"
#include "si/scan_engine.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <stdlib.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char *kTransponder = "s1_10788v.txt";
constexpr std::uint32_t kFrequencyKhz = 10'788'000;
constexpr std::uint32_t kSymbolRate = 22'000'000;
constexpr std::uint32_t kLnbLow = 9'750'000;

// A temporary folder with the simulator module linked in and a sky of the one demo transponder
// with no lock delay; it is also the root of the scan's files.
class BenchSky {
public:
  BenchSky() {
    std::string pattern = (fs::temp_directory_path() / "qev-scan-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot create a temporary folder");
    folder_ = pattern;
    fs::create_symlink(QEV_SIM_MODULE, folder_ / "Dev_Sim.int");
    std::ofstream(folder_ / "Dev_Sim.ini")
        << fmt::format("[Sky]\nName=Bench\nFast=0\nLnbLow={}\nLnbHigh=10600000\n\n[Demo]\n"
                       "TP1={},V,{},{},82,88,0\n",
                       kLnbLow, kFrequencyKhz, kSymbolRate, Description().string());
  }
  ~BenchSky() { fs::remove_all(folder_); }

  fs::path Module() const { return folder_ / "Dev_Sim.int"; }
  const fs::path &Folder() const { return folder_; }
  static fs::path Description() { return fs::path(QEV_DEMO_SKY_DIR) / kTransponder; }

private:
  fs::path folder_;
};

// Tunes the loaded module straight, without a dish to point: the one transponder sits in the
// low band, vertical.
class DirectTuner final : public qev::device::ITransponderTuner {
public:
  std::int32_t TuneTransponder(std::uint32_t, std::string_view, std::uint32_t,
                               std::uint16_t lockWaitMs, bool) override {
    request_ = TuneRequest{kFrequencyKhz, 2, kSymbolRate, kLnbLow, 0, 13, 0, 0};
    auto &device = qev::device::Device();
    if (device.Tune(request_) != 0)
      return 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lockWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      SignalStatus status{};
      if (device.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK))
        return 0;
      std::this_thread::sleep_for(1ms);
    }
    return 1;
  }
  TuneRequest Request() const { return request_; }

private:
  TuneRequest request_{};
};

void IgnoreModuleMessages(std::int32_t, std::int32_t, void *) noexcept {}

// The module loaded on the bench sky, with the root in the sky's folder; unloaded when it goes.
class LoadedSky {
public:
  LoadedSky() {
    if (!fs::exists(BenchSky::Description())) {
      error_ = "the demo sky was not built";
      return;
    }
    qev::frame::SetPaths(qev::frame::TAppPaths(sky_.Folder()));
    if (qev::device::LoadDeviceModule(Device(), sky_.Module(), &IgnoreModuleMessages, nullptr))
      error_ = "the simulator module did not load";
  }
  ~LoadedSky() { Device().Unload(); }

  static qev::device::TDeviceModule &Device() { return qev::device::Device(); }
  const char *Error() const { return error_; }

private:
  BenchSky sky_;
  const char *error_ = nullptr;
};

qev::tsgen::Repetition Repetition() {
  return qev::tsgen::DescriptionFile::Load(BenchSky::Description().string()).repetition;
}

// The slowest repetition of the tables a transponder scan reads, in seconds.
double SlowestTablePeriod() {
  const auto r = Repetition();
  return std::max({r.pat, r.pmt, r.cat, r.sdt}) / 1000.0;
}

// Waits, untimed, a different part of `periodMs` before each timed run. A run that starts the
// moment the previous one saw its table would otherwise always wait a whole period for the next
// copy, where a receiver tuning at a random time waits half a period on average.
class OutOfStep {
public:
  OutOfStep(benchmark::State &state, int periodMs) : state_(state), periodMs_(periodMs) {}
  void Wait() {
    // Steps of the golden ratio spread the starts evenly over the period.
    phase_ = std::fmod(phase_ + 0.6180339887, 1.0);
    state_.PauseTiming();
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(phase_ * periodMs_));
    state_.ResumeTiming();
  }

private:
  benchmark::State &state_;
  int periodMs_;
  double phase_ = 0;
};

void TransponderScan(benchmark::State &state) {
  LoadedSky loaded;
  if (loaded.Error() != nullptr) {
    state.SkipWithError(loaded.Error());
    return;
  }
  DirectTuner tuner;
  qev::si::TDeviceFilterSource filters(LoadedSky::Device());
  qev::data::TSatList sats;
  qev::data::TChannelLists lists(sats);
  qev::si::IScanView view; // shows nothing
  qev::si::TScanSatellite satellite;
  satellite.Sat.SatIdx = 1;
  satellite.Sat.SatPos = 192;
  satellite.Transponders.TpAdd(qev::data::MakeTransponder(kFrequencyKhz / 1000, 'V', 22000));
  qev::si::TScanLinks links{tuner,
                            filters,
                            qev::frame::Options(),
                            lists,
                            [&tuner] { return tuner.Request(); },
                            [] { return 82; },
                            nullptr,
                            nullptr,
                            {},
                            [] { return 0.0; }};
  int services = 0;
  std::chrono::duration<double> tunes{}, scans{};
  {
    qev::si::TScanEngine engine(std::move(links), view, std::move(satellite));
    engine.SetCurrent(engine.Satellite().Transponders.TpGet(0));
    OutOfStep outOfStep(state, static_cast<int>(SlowestTablePeriod() * 1000));
    for (auto _ : state) {
      outOfStep.Wait();
      const auto start = std::chrono::steady_clock::now();
      const bool locked = engine.ScanTune(true);
      const auto tuned = std::chrono::steady_clock::now();
      services = locked ? engine.ScanTransponder() : -1;
      tunes += tuned - start;
      scans += std::chrono::steady_clock::now() - tuned;
    }
  }
  if (services <= 0)
    state.SkipWithError("the scan found no services");
  const double slowest = SlowestTablePeriod();
  state.counters["services"] = static_cast<double>(services);
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["tune_s"] = tunes.count() / iterations;
  state.counters["scan_s"] = scans.count() / iterations;
  state.counters["slowest_period_s"] = slowest;
  state.counters["target_s"] = slowest * 1.1;
}
BENCHMARK(TransponderScan)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(10);

// Each table of the scan alone, from opening its filter to the parsed table, beside its period.
void TableCollect(benchmark::State &state) {
  LoadedSky loaded;
  if (loaded.Error() != nullptr) {
    state.SkipWithError(loaded.Error());
    return;
  }
  DirectTuner tuner;
  if (tuner.TuneTransponder(0, "V", 0, 3000, true) != 0) {
    state.SkipWithError("no lock");
    return;
  }
  const auto r = Repetition();
  // The first service of the transponder: SID 0x0411 with its PMT on PID 0x0100.
  const struct {
    const char *name;
    std::uint16_t pid;
    qev::si::SectionTableFilter filter;
    int periodMs;
  } tables[] = {{"PAT", 0x0000, {0x00, 0, 0}, r.pat},
                {"CAT", 0x0001, {0x01, 0, 0}, r.cat},
                {"SDT", 0x0011, {0x42, 0, 0}, r.sdt},
                {"PMT", 0x0100, {0x02, 0x0411, 0xFFFF}, r.pmt}};
  const auto &table = tables[state.range(0)];
  state.SetLabel(table.name);
  qev::si::TDeviceFilterSource filters(LoadedSky::Device());
  std::mutex parseMutex;
  int complete = 0;
  OutOfStep outOfStep(state, table.periodMs);
  for (auto _ : state) {
    outOfStep.Wait();
    qev::si::TPsiScanThread collector(
        filters, {table.name, table.pid, table.filter, 5s, 1, [](std::span<const std::uint8_t>) {}},
        parseMutex, nullptr);
    complete += collector.Run({}) == qev::si::PsiResult::Complete ? 1 : 0;
  }
  state.counters["complete"] = complete;
  state.counters["period_s"] = table.periodMs / 1000.0;
}
BENCHMARK(TableCollect)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

} // namespace
