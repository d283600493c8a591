// Channel switches through the tuning engine, the real tuner and Dev_Sim.int on a sky that
// locks at once: the time from SwitchChannel to the PIDs reaching the module on the same
// transponder, and to the lock on another transponder or satellite.
#include "data/channel_handle.h"
#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/av_device.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/last_channels.h"
#include "device/tuner.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "device/tuning_engine.h"
#include "frame/app_paths.h"
#include "frame/notification_hub.h"
#include "frame/options.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <stdexcept>
#include <unistd.h>

using namespace qev;
namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

namespace {

// Lock delay 0 everywhere. The streams are not there: the module tunes and locks without
// playing anything, so only the switch itself is timed.
constexpr const char *kSky = R"([Sky]
Name=Bench sky
Fast=1
LnbLow=9750000
LnbHigh=10600000

[North]
Committed=1
TP1=10788000,V,27500000,none.ts,80,90,0
TP2=12188000,H,27500000,none.ts,70,60,0

[South]
Committed=2
TP1=11054000,H,27500000,none.ts,60,70,0
)";

// Passes the calls on and notes when the PIDs arrived.
class TTimedAvDevice final : public device::IAvDevice {
public:
  explicit TTimedAvDevice(device::IAvDevice &inner) : inner_(inner) {}
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags) override {
    pidsAt = SteadyClock::now();
    return inner_.SetChannelPids(slot, audioPid, videoPid, pcrPid, flags);
  }
  std::int32_t SetTeletextPid(std::int32_t pid) override { return inner_.SetTeletextPid(pid); }
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound) override {
    return inner_.AudioControl(slot, write, sound);
  }
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture) override {
    return inner_.PictureControl(slot, write, picture);
  }

  SteadyClock::time_point pidsAt;

private:
  device::IAvDevice &inner_;
};

data::TSatRec Sat(std::uint8_t index, std::uint16_t position, std::uint8_t port) {
  data::TSatRec sat{};
  sat.SatIdx = index;
  sat.SatPos = position;
  sat.SatActive = 1;
  sat.LofLow = 9750000;
  sat.LofHigh = 10600000;
  sat.LofSwitch = 11700000;
  sat.Sw1 = {2, port, 0, {}, 1, 0};
  return sat;
}

data::TChannelRec Channel(std::uint32_t freq, char polar, std::uint16_t sid) {
  data::TChannelRec rec{};
  rec.Freq = freq;
  rec.Polar = polar;
  rec.SRate = 27500;
  rec.SID = sid;
  rec.SrvType = 1;
  rec.VidPid = 0x100;
  rec.PcrPid = 0x100;
  rec.AudPid = 0x101;
  data::SetChName(rec, "Bench " + std::to_string(sid));
  return rec;
}

void IgnoreCallback(std::int32_t, std::int32_t, void *) {}

// The module with the bench's sky, and an engine on a root of its own.
struct Bench {
  fs::path dir = fs::temp_directory_path() / ("qev-switch-bench-" + std::to_string(::getpid()));
  void *library = nullptr;
  data::TSatList sats;
  data::TChannelLists lists{sats};
  device::TDeviceModule module;
  device::TModuleTunerDevice tunerDevice{module};
  device::TDiseqcLog diseqcLog;
  device::TDiseqcSender diseqc{tunerDevice, device::SystemTunerClock(), frame::Options().DiseqC,
                               diseqcLog};
  device::TLoadedSat loaded;
  device::TTuner tuner{tunerDevice, loaded, diseqc, device::SystemTunerClock(),
                       frame::Options().DiseqC};
  device::TModuleAvDevice moduleAv{module};
  TTimedAvDevice av{moduleAv};
  device::TLastChannels last;
  frame::TNotificationHub hub;
  device::TTuningEngine engine{{lists, sats, av, tuner, loaded, last, hub}};
  std::int32_t north1 = 0, north1b = 0, north2 = 0, south = 0;

  Bench() {
    fs::remove_all(dir);
    fs::create_directories(dir);
    frame::SetPaths(frame::TAppPaths(dir));
    std::ofstream(dir / "sky.ini") << kSky;
    // Our own reference keeps the module's test entries reachable; the loader then shares it.
    library = dlopen(QEV_SIM_MODULE, RTLD_NOW);
    if (library == nullptr)
      throw std::runtime_error(dlerror());
    reinterpret_cast<void (*)(const char *)>(dlsym(library, "SimTest_SetSkyFile"))(
        (dir / "sky.ini").c_str());
    if (device::LoadDeviceModule(module, QEV_SIM_MODULE, &IgnoreCallback, nullptr) !=
        device::kLoaded)
      throw std::runtime_error("Dev_Sim.int does not load");
    sats.SatAdd(Sat(1, 192, 1));
    sats.SatAdd(Sat(2, 130, 2));
    lists.ListsSync();
    north1 = Add(1, Channel(10788000, 'V', 1));
    north1b = Add(1, Channel(10788000, 'V', 2));
    north2 = Add(1, Channel(12188000, 'H', 3));
    south = Add(2, Channel(11054000, 'H', 4));
    engine.SwitchChannel(0, north1, false); // the first tune powers the LNB up
  }
  ~Bench() {
    module.Unload();
    dlclose(library);
    fs::remove_all(dir);
  }
  std::int32_t Add(int satIndex, data::TChannelRec rec) {
    rec.SatIndex = static_cast<std::uint8_t>(satIndex);
    const int position = lists.ListOf(satIndex)->ListAppend(rec);
    return data::MakeChannelHandle(static_cast<std::uint8_t>(satIndex),
                                   static_cast<std::uint16_t>(position));
  }
  bool Locked() {
    SignalStatus status{};
    return module.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK) != 0;
  }
};

Bench &TheBench() {
  static Bench bench;
  return bench;
}

double Seconds(SteadyClock::duration d) { return std::chrono::duration<double>(d).count(); }

// Between two channels of one transponder: no tune, only the PIDs.
void SameTransponderToPids(benchmark::State &state) {
  Bench &b = TheBench();
  b.engine.SwitchChannel(0, b.north1, false);
  bool other = true;
  for (auto _ : state) {
    const auto start = SteadyClock::now();
    b.engine.SwitchChannel(0, other ? b.north1b : b.north1, false);
    state.SetIterationTime(Seconds(b.av.pidsAt - start));
    other = !other;
  }
}

void SwitchUntilLocked(benchmark::State &state, std::int32_t from, std::int32_t to) {
  Bench &b = TheBench();
  b.engine.SwitchChannel(0, from, false);
  bool there = false;
  for (auto _ : state) {
    const auto start = SteadyClock::now();
    b.engine.SwitchChannel(0, there ? from : to, false);
    while (!b.Locked()) {
    }
    state.SetIterationTime(Seconds(SteadyClock::now() - start));
    there = !there;
  }
}

// Another transponder of the same satellite: tune without DiSEqC, then the lock.
void OtherTransponderToLock(benchmark::State &state) {
  SwitchUntilLocked(state, TheBench().north1, TheBench().north2);
}

// Another satellite: the committed switch message with its bus time, the tune, the lock.
void OtherSatelliteToLock(benchmark::State &state) {
  SwitchUntilLocked(state, TheBench().north1, TheBench().south);
}

} // namespace

void CountBytes(const std::uint8_t *, std::int32_t, void *) {}

// Filters started and stopped through the program's side of the module (Dev_Sim.int playing
// nothing): heap_growth_per_pair stays at 0 however many pairs run. Heap figures are not
// meaningful under a sanitizer's allocator.
void FilterStartStopMemoryGrowth(benchmark::State &state) {
  Bench &b = TheBench();
  const std::int64_t before = static_cast<std::int64_t>(mallinfo2().uordblks);
  std::int64_t pairs = 0;
  for (auto _ : state)
    for (int i = 0; i < 1000; ++i, ++pairs)
      b.module.StopFilter(b.module.StartFilter(0x12, &CountBytes, QEV_DELIVER_PAYLOADS, nullptr,
                                               nullptr, 1, nullptr));
  const auto growth = static_cast<std::int64_t>(mallinfo2().uordblks) - before;
  state.counters["pairs"] = static_cast<double>(pairs);
  state.counters["heap_growth_MB"] = static_cast<double>(growth) / 1e6;
  state.counters["heap_growth_per_pair"] = static_cast<double>(growth) / static_cast<double>(pairs);
}

BENCHMARK(FilterStartStopMemoryGrowth)->Iterations(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(SameTransponderToPids)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(OtherTransponderToLock)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(OtherSatelliteToLock)->UseManualTime()->Unit(benchmark::kMillisecond);
