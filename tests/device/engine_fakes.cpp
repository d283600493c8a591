#include "device/engine_fakes.h"

#include "data/channel_handle.h"
#include "frame/app_paths.h"
#include "frame/log.h"

#include <fmt/format.h>

#include <algorithm>
#include <unistd.h>

namespace qev::device::test {

namespace fs = std::filesystem;

bool EventJournal::Has(const std::string &line) const {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> EventJournal::Starting(const std::string &prefix) const {
  std::vector<std::string> found;
  for (const std::string &line : lines)
    if (line.starts_with(prefix))
      found.push_back(line);
  return found;
}

std::int32_t RecordingTuner::TuneTransponder(std::uint32_t frequency, std::string_view polarisation,
                                             std::uint32_t symbolRate, std::uint16_t lockWaitMs,
                                             bool satelliteChanged) {
  journal_.Add(fmt::format("Tune {} {} {} wait={} satChanged={}", frequency, polarisation,
                           symbolRate, lockWaitMs, satelliteChanged ? 1 : 0));
  if (duringTune)
    duringTune();
  return 0;
}

std::int32_t RecordingAvDevice::SetChannelPids(std::int32_t slot, std::uint16_t audioPid,
                                               std::uint16_t videoPid, std::uint16_t pcrPid,
                                               std::int32_t flags) {
  journal_.Add(fmt::format("SetChannelPids {} a=0x{:X} v=0x{:X} p=0x{:X} flags={}", slot, audioPid,
                           videoPid, pcrPid, flags));
  return 0;
}

std::int32_t RecordingAvDevice::SetTeletextPid(std::int32_t pid) {
  journal_.Add(fmt::format("SetTeletextPid 0x{:X}", pid));
  return 0;
}

std::int32_t RecordingAvDevice::AudioControl(std::int32_t slot, bool write, SoundRecord &sound) {
  journal_.Add(fmt::format("AudioControl {} {} flags={} volume={}", slot, write ? 1 : 0,
                           sound.Flags, sound.Volume));
  return 0;
}

std::int32_t RecordingAvDevice::PictureControl(std::int32_t slot, bool write,
                                               PictureRecord &picture) {
  journal_.Add(fmt::format("PictureControl {} {} flags={} brightness={}", slot, write ? 1 : 0,
                           picture.Flags, picture.Values[0]));
  return 0;
}

EngineRoot::EngineRoot()
    : dir(fs::temp_directory_path() /
          fmt::format("qev_engine_{}_{}", ::getpid(), reinterpret_cast<std::uintptr_t>(this))) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  frame::SetPaths(frame::TAppPaths(dir));
}

EngineRoot::~EngineRoot() { fs::remove_all(dir); }

void EngineRoot::AddSat(int index, int position, const std::string &name, int committedPort) {
  data::TSatRec sat{};
  sat.SatIdx = static_cast<std::uint8_t>(index);
  sat.SatPos = static_cast<std::uint16_t>(position);
  sat.SatActive = 1;
  data::SetSatName(sat, name);
  sat.Sw1.SwType = 2;
  sat.Sw1.SwPort = static_cast<std::uint8_t>(committedPort);
  sat.Sw1.SwTxCount = 1;
  sat.LofLow = 9750000;
  sat.LofHigh = 10600000;
  sat.LofSwitch = 11700000;
  sats.SatAdd(sat);
  lists.ListsSync();
}

std::int32_t EngineRoot::AddChannel(int satIndex, const data::TChannelRec &rec) {
  data::TChannelsList *list = lists.ListOf(satIndex);
  data::TChannelRec copy = rec;
  copy.SatIndex = static_cast<std::uint8_t>(satIndex);
  const int position = list->ListAppend(copy);
  list->ListSaveAll();
  return data::MakeChannelHandle(static_cast<std::uint8_t>(satIndex),
                                 static_cast<std::uint16_t>(position));
}

data::TChannelRec Channel(std::uint32_t freqKhz, char polar, std::uint16_t srate, std::uint16_t sid,
                          const std::string &name) {
  data::TChannelRec rec{};
  rec.Freq = freqKhz;
  rec.Polar = polar;
  rec.SRate = srate;
  rec.TID = static_cast<std::uint16_t>(freqKhz / 1000);
  rec.SID = sid;
  rec.SrvType = 1;
  rec.VidPid = static_cast<std::uint16_t>(sid * 16 + 1);
  rec.PcrPid = rec.VidPid;
  rec.AudPid = static_cast<std::uint16_t>(sid * 16 + 2);
  rec.TtxPid = static_cast<std::uint16_t>(sid * 16 + 3);
  rec.VolAdj = 100;
  data::SetChName(rec, name);
  return rec;
}

HubRecorder::HubRecorder(frame::TNotificationHub &hub, EventJournal &journal)
    : hub_(hub), journal_(journal) {
  hub_.Add(frame::kNotifySwitchProgress, frame::MethodHandler<HubRecorder, &HubRecorder::On5>,
           this);
  hub_.Add(frame::kNotifyChannelSelected, frame::MethodHandler<HubRecorder, &HubRecorder::On6>,
           this);
  hub_.Add(frame::kNotifyChannelStored, frame::MethodHandler<HubRecorder, &HubRecorder::On7>, this);
}

HubRecorder::~HubRecorder() {
  hub_.Remove(frame::kNotifySwitchProgress, frame::MethodHandler<HubRecorder, &HubRecorder::On5>,
              this);
  hub_.Remove(frame::kNotifyChannelSelected, frame::MethodHandler<HubRecorder, &HubRecorder::On6>,
              this);
  hub_.Remove(frame::kNotifyChannelStored, frame::MethodHandler<HubRecorder, &HubRecorder::On7>,
              this);
}

void HubRecorder::On5(std::intptr_t first, std::intptr_t second) {
  journal_.Add(fmt::format("Notify 5 {} {}", first, second));
}
void HubRecorder::On6(std::intptr_t first, std::intptr_t second) {
  journal_.Add(fmt::format("Notify 6 {} {}", first, second));
}
void HubRecorder::On7(std::intptr_t first, std::intptr_t second) {
  journal_.Add(fmt::format("Notify 7 {} {}", first, second));
}

void RecordAllHooks(TSwitchHooks &hooks, EventJournal &journal) {
  auto note = [&journal](std::string text) { journal.Add(std::move(text)); };
  hooks.EpgStop = [note] { note("EpgStop"); };
  hooks.EpgClear = [note] { note("EpgClear"); };
  hooks.EpgStart = [note] { note("EpgStart"); };
  hooks.TtxStop = [note] { note("TtxStop"); };
  hooks.TtxRestart = [note](std::uint16_t pid) { note(fmt::format("TtxRestart 0x{:X}", pid)); };
  hooks.ApplyPluginProfile = [note](int p) { note(fmt::format("ApplyPluginProfile {}", p)); };
  hooks.NotifyPlugins = [note](int slot, bool forced) {
    note(fmt::format("NotifyPlugins {} {}", slot, forced ? 1 : 0));
  };
  hooks.StorePluginChannel = [note](std::int32_t handle, const data::TChannelRec &rec) {
    note(fmt::format("StorePluginChannel {} {}", handle, data::ChName(rec)));
  };
  hooks.OpenOutput = [note](int output) { note(fmt::format("OpenOutput {}", output)); };
  hooks.CloseOutput = [note](int output) { note(fmt::format("CloseOutput {}", output)); };
  hooks.RefreshVolumeDisplay = [note] { note("RefreshVolumeDisplay"); };
  hooks.RecStopAll = [note] { note("RecStopAll"); };
  hooks.StartRecording = [note](int slot, int minutes) {
    note(fmt::format("StartRecording {} {}", slot, minutes));
  };
}

namespace {
EventJournal *logJournal = nullptr;
} // namespace

LogRecorder::LogRecorder(EventJournal &journal) {
  logJournal = &journal;
  frame::SetLogTarget([](int, int level, const char *text) {
    logJournal->Add(fmt::format("Log{} {}", level == frame::kLogError ? "!" : "", text));
  });
}

LogRecorder::~LogRecorder() {
  frame::SetLogTarget(nullptr);
  logJournal = nullptr;
}

} // namespace qev::device::test
