#include "data/channel_lists.h"
#include "data/code_tables.h"
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
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "tool/channel_find.h"
#include "tool/commands.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <limits>
#include <mutex>

namespace qev::tool {

namespace {

// The steps of the switch in the order they happened; log lines may come from the module's
// threads.
class TSwitchSteps {
public:
  void Add(const std::string &kind, const std::string &text) {
    std::lock_guard lock(mutex_);
    steps_.emplace_back(kind, text);
  }
  void Report(TToolContext &context) const {
    std::lock_guard lock(mutex_);
    context.Doc["steps"] = nlohmann::json::array();
    for (const auto &[kind, text] : steps_) {
      context.Line(fmt::format("{:<7} {}", kind, text));
      context.Doc["steps"].push_back({{"kind", kind}, {"text", text}});
    }
  }
  void OnProgress(std::intptr_t first, std::intptr_t second) {
    Add("notify", fmt::format("5 ({}, {}) {}", first, second, ProgressText(first)));
  }

private:
  static const char *ProgressText(std::intptr_t value) {
    switch (value) {
    case device::kSwitchBegins:
      return "switch begins";
    case device::kSwitchTuned:
      return "transponder tuned";
    case device::kSwitchEnded:
      return "switch ended";
    default:
      return "";
    }
  }

  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> steps_;
};

TSwitchSteps *currentSteps = nullptr;

// Lines of the program's log and of the module's callback; empty lines only clear the
// receiver's message line.
void AddLogLine(int level, const char *text) {
  if (currentSteps != nullptr && text != nullptr && *text != '\0')
    currentSteps->Add(level == frame::kLogError ? "error" : "log", text);
}

void ModuleCallback(std::int32_t message, std::int32_t value, void *data) {
  if (message == QEV_MSG_LOG)
    AddLogLine(value, static_cast<const char *>(data));
}

// Passes the calls on and notes them as steps; the PIDs also go into the report.
class TPrintingAvDevice final : public device::IAvDevice {
public:
  TPrintingAvDevice(device::IAvDevice &inner, TSwitchSteps &steps, nlohmann::ordered_json &pids)
      : inner_(inner), steps_(steps), pids_(pids) {}

  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audioPid, std::uint16_t videoPid,
                              std::uint16_t pcrPid, std::int32_t flags) override {
    const std::int32_t result = inner_.SetChannelPids(slot, audioPid, videoPid, pcrPid, flags);
    steps_.Add("device", fmt::format("SetChannelPids slot {} audio 0x{:04X} video 0x{:04X} "
                                     "pcr 0x{:04X} flags {} -> {}",
                                     slot, audioPid, videoPid, pcrPid, flags, result));
    pids_.push_back({{"slot", slot},
                     {"audio", audioPid},
                     {"video", videoPid},
                     {"pcr", pcrPid},
                     {"flags", flags},
                     {"result", result}});
    return result;
  }
  std::int32_t SetTeletextPid(std::int32_t pid) override {
    const std::int32_t result = inner_.SetTeletextPid(pid);
    steps_.Add("device", fmt::format("SetTeletextPid 0x{:04X} -> {}", pid, result));
    return result;
  }
  std::int32_t AudioControl(std::int32_t slot, bool write, SoundRecord &sound) override {
    return inner_.AudioControl(slot, write, sound);
  }
  std::int32_t PictureControl(std::int32_t slot, bool write, PictureRecord &picture) override {
    return inner_.PictureControl(slot, write, picture);
  }

private:
  device::IAvDevice &inner_;
  TSwitchSteps &steps_;
  nlohmann::ordered_json &pids_;
};

// The tuner's calls, noted as steps: the DiSEqC messages and the tune requests.
class TPrintingTunerDevice final : public device::ITunerDevice {
public:
  TPrintingTunerDevice(device::ITunerDevice &inner, TSwitchSteps &steps)
      : inner_(inner), steps_(steps) {}

  std::int32_t Tune(const TuneRequest &r) override {
    const std::int32_t result = inner_.Tune(r);
    steps_.Add("device",
               fmt::format("Tune {} kHz {} sym/s LOF {} tone {} voltage {} -> {}", r.Frequency,
                           r.SymbolRate, r.LnbFrequency, r.Tone, r.Voltage, result));
    return result;
  }
  std::int32_t GetSignalStatus(SignalStatus &status) override {
    return inner_.GetSignalStatus(status);
  }
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) override {
    const std::int32_t result = inner_.SendDiseqc(bytes, burst);
    steps_.Add("device",
               burst != 0 ? fmt::format("SendDiseqc burst {} -> {}", burst == 1 ? 'A' : 'B', result)
                          : fmt::format("SendDiseqc {:02X} -> {}", fmt::join(bytes, " "), result));
    return result;
  }
  std::intptr_t DiseqcLevel() override { return inner_.DiseqcLevel(); }

private:
  device::ITunerDevice &inner_;
  TSwitchSteps &steps_;
};

// Takes the program's and the module's log lines as steps while it lives.
class TStepCapture {
public:
  explicit TStepCapture(TSwitchSteps &steps) {
    currentSteps = &steps;
    frame::SetLogTarget([](int, int level, const char *text) { AddLogLine(level, text); });
  }
  ~TStepCapture() {
    frame::SetLogTarget(nullptr);
    currentSteps = nullptr;
  }
  TStepCapture(const TStepCapture &) = delete;
  TStepCapture &operator=(const TStepCapture &) = delete;
};

// Switches the slot to each channel in turn on one engine, so that a later switch shows what
// the receiver skips when the transponder stays.
bool SwitchAll(TToolContext &context, const data::TSatList &sats, data::TChannelLists &lists,
               int slot, const std::vector<std::int32_t> &handles, TSwitchSteps &steps) {
  context.Doc["slot"] = slot;
  context.Doc["channels"] = nlohmann::json::array();
  context.Doc["pids"] = nlohmann::json::array();

  frame::TNotificationHub hub;
  hub.Add(frame::kNotifySwitchProgress,
          frame::MethodHandler<TSwitchSteps, &TSwitchSteps::OnProgress>, &steps);

  device::TModuleTunerDevice moduleTuner(device::Device());
  TPrintingTunerDevice tunerDevice(moduleTuner, steps);
  device::TDiseqcSender diseqc(tunerDevice, device::SystemTunerClock(), frame::Options().DiseqC,
                               device::DiseqcLog());
  device::TTuner tuner(tunerDevice, device::LoadedSat(), diseqc, device::SystemTunerClock(),
                       frame::Options().DiseqC);
  device::TModuleAvDevice module(device::Device());
  TPrintingAvDevice av(module, steps, context.Doc["pids"]);
  device::TLastChannels lastChannels;
  device::TTuningEngine engine({lists, sats, av, tuner, device::LoadedSat(), lastChannels, hub});

  bool all = true;
  for (const std::int32_t handle : handles) {
    const data::TChannelRec rec = *lists.ChannelByHandle(handle);
    steps.Add("switch", fmt::format("Channel {} [{}] {} {} {} {} on slot {}", handle,
                                    sats.SatPosTextOf(rec.SatIndex), data::ChName(rec), rec.Freq,
                                    rec.Polar ? rec.Polar : '?', rec.SRate, slot));
    const bool switched = engine.SwitchChannel(slot, handle, true);
    steps.Add("switch", switched ? "Switched" : "Not switched");
    context.Doc["channels"].push_back({{"handle", handle},
                                       {"satellite", sats.SatPosTextOf(rec.SatIndex)},
                                       {"name", data::ChName(rec)},
                                       {"freq", rec.Freq},
                                       {"srate", rec.SRate},
                                       {"switched", switched}});
    all = all && switched;
  }
  return all;
}

// HANDLE or --name NAME, as many as given; the handles in that order, or the failure's text.
std::optional<std::string> ResolveTargets(std::span<const std::string> args,
                                          const data::TSatList &sats,
                                          const data::TChannelLists &lists,
                                          std::vector<std::int32_t> &handles) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool byName = args[i] == "--name";
    const std::int32_t handle =
        byName ? FindChannelByName(sats, lists, args[++i]) : *ParseInt(args[i], 1, kMaxHandle);
    if (!lists.ChannelByHandle(handle))
      return byName ? "no channel named " + args[i]
                    : fmt::format("no channel with handle {}", handle);
    handles.push_back(handle);
  }
  return std::nullopt;
}

// Every argument is a handle or "--name" followed by a name.
bool WellFormedTargets(std::span<const std::string> args) {
  if (args.empty())
    return false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--name" ? ++i >= args.size() : !ParseInt(args[i], 1, kMaxHandle))
      return false;
  }
  return true;
}

} // namespace

// Switches an AV slot to channels of the root's lists in turn through the device module, as the
// receiver does, and shows every step: the log lines, the switch notifications and what was
// handed to the module.
int RunSwitch(TToolContext &context) {
  int slot = 0;
  if (const std::optional<std::string> text = context.TakeOption("--slot")) {
    const auto value = ParseInt(*text, 0, device::kAvSlotCount - 1);
    if (!value)
      return context.BadArguments("--slot takes 0..3");
    slot = *value;
  }
  if (!WellFormedTargets(context.Args))
    return context.BadArguments("switch takes channels, each a HANDLE (satellite index * 65536 "
                                "+ position) or --name NAME, and [--slot N]");

  data::TSatList sats;
  sats.SatLoad();
  data::TChannelLists lists(sats);
  lists.ListsSync();
  std::vector<std::int32_t> handles;
  if (const auto failure = ResolveTargets(context.Args, sats, lists, handles))
    return context.Fail(*failure);

  const std::filesystem::path module = context.DeviceModuleFile();
  if (module.empty())
    return context.Fail(kNoDevice);
  TSwitchSteps steps;
  bool loaded = false;
  bool switched = false;
  {
    TStepCapture capture(steps);
    loaded = device::LoadDeviceModule(device::Device(), module, &ModuleCallback, nullptr) ==
             device::kLoaded;
    if (loaded)
      switched = SwitchAll(context, sats, lists, slot, handles, steps);
    device::Device().Unload();
  }
  steps.Report(context);
  if (!loaded)
    return context.Fail("cannot load device module " + module.string());
  context.Doc["switched"] = switched;
  return switched ? kExitOk : context.Fail("a switch was refused");
}

} // namespace qev::tool
