#include "device/tuner.h"

#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_messages.h"
#include "device/diseqc_sender.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "device/tuner_status_thread.h"
#include "device/ui_busy_scope.h"
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "frame/ui_dispatcher.h"

#include <fmt/format.h>

#include <cctype>
#include <optional>
#include <string>

namespace qev::device {

namespace {

constexpr std::uint32_t kLargestShortForm = 99999;
constexpr int kPowerOnSettleMs = 100;
constexpr int kLockPollMs = 5;
constexpr std::uint32_t kAlways2 = 2;

// MHz or Msym/s are written short; the device wants kHz and sym/s.
std::uint32_t FullUnits(std::uint32_t value) {
  return value <= kLargestShortForm ? value * 1000 : value;
}

std::optional<std::uint32_t> VoltageOf(std::string_view polarisation) {
  while (!polarisation.empty() && std::isspace(static_cast<unsigned char>(polarisation.front())))
    polarisation.remove_prefix(1);
  if (polarisation.empty())
    return std::nullopt;
  switch (std::toupper(static_cast<unsigned char>(polarisation.front()))) {
  case 'H':
    return kVoltsHorizontal;
  case 'V':
    return kVoltsVertical;
  default:
    return std::nullopt;
  }
}

// Why the loaded satellite cannot be tuned: a record that names no satellite or no LNB would
// tune to a meaningless frequency. Empty when it can.
std::string SatelliteProblem(const TLoadedSat &sat) {
  const data::TSatRec &rec = sat.Rec();
  if (!sat.Loaded() || rec.SatIdx == 0)
    return "no satellite loaded";
  if (rec.LofLow == 0 && rec.LofHigh == 0 && rec.LofSwitch == 0)
    return fmt::format("satellite {} has no LNB frequencies (LofLow, LofHigh and LofSwitch are 0)",
                       rec.SatIdx);
  return {};
}

// Only a switch setting that is really sent fills the hint: a refused port would read as
// another position (committed port 0 as tone burst B).
std::uint32_t DiseqcHint(const data::TSwitchCfg &sw, const frame::TDiseqcOptions &options) {
  if (SwitchCommand(1, sw, options, false, false).kind == TDiseqcCommand::Invalid)
    return 0;
  switch (sw.SwType) {
  case 1:
    return sw.SwPort;
  case 2:
    return sw.SwPort + 2u;
  default:
    return 0;
  }
}

} // namespace

TTuner::TTuner(ITunerDevice &device, const TLoadedSat &sat, TDiseqcSender &diseqc,
               ITunerClock &clock, const frame::TDiseqcOptions &options)
    : device_(device), sat_(sat), diseqc_(diseqc), clock_(clock), options_(options) {}

std::int32_t TTuner::TuneTransponder(std::uint32_t frequency, std::string_view polarisation,
                                     std::uint32_t symbolRate, std::uint16_t lockWaitMs,
                                     bool satelliteChanged) {
  if (const std::string problem = SatelliteProblem(sat_); !problem.empty()) {
    frame::Log("Tune: " + problem + ", nothing tuned", frame::kLogError);
    return kTuneRefused;
  }
  const std::optional<std::uint32_t> voltage = VoltageOf(polarisation);
  if (!voltage) {
    frame::Log(
        fmt::format("Tune: polarisation \"{}\" is neither H nor V, nothing tuned", polarisation),
        frame::kLogError);
    return kTuneRefused;
  }
  // The DiSEqC and lock waits pump messages: a close asked for meanwhile waits for the tune.
  const TUiBusyScope operation;
  const data::TSatRec sat = sat_.Rec();
  TuneRequest request{};
  request.Frequency = FullUnits(frequency);
  request.Always2 = kAlways2;
  request.SymbolRate = FullUnits(symbolRate);
  request.Voltage = *voltage;
  const bool lowBand = std::int64_t{sat.LofSwitch} > std::int64_t{request.Frequency};
  request.LnbFrequency = static_cast<std::uint32_t>(lowBand ? sat.LofLow : sat.LofHigh);
  request.Tone = lowBand ? 0 : 1;
  SetStatusMode(TTunerStatusThread::kPaused);
  if (options_.DiseqOnChan || satelliteChanged)
    request.DiseqcHint = DiseqcHint(sat.Sw1, options_);
  {
    std::lock_guard lock(mutex_);
    request_ = request;
  }
  if (firstTune_) {
    SetLnbSupply(true);
    WaitSince(clock_, clock_.NowMs(), kPowerOnSettleMs);
    firstTune_ = false;
  }
  diseqc_.SendForTune(sat, request.Voltage == kVoltsHorizontal, request.Tone != 0,
                      satelliteChanged);
  std::int32_t result = device_.Tune(request);
  if (result == 0) {
    if (lockWaitMs > 0)
      result = WaitForLock(lockWaitMs);
    else
      ReadSignal(true);
  }
  SetStatusMode(TTunerStatusThread::kPolling);
  return result;
}

std::int32_t TTuner::WaitForLock(std::uint16_t lockWaitMs) {
  const std::int64_t start = clock_.NowMs();
  std::int32_t result = kTuneNoLock;
  for (;;) {
    clock_.SleepMs(kLockPollMs);
    clock_.Pump();
    if (ReadSignal(false) == 0 && (Status().Bits & QEV_SIGNAL_LOCK) != 0) {
      result = 0;
      break;
    }
    if (clock_.NowMs() - start >= lockWaitMs)
      break;
  }
  frame::NotifyGlobal(frame::kNotifyTunerStatus, 0, 0);
  return result;
}

std::int32_t TTuner::ReadSignal(bool announce) {
  SignalStatus status{};
  const std::int32_t result = device_.GetSignalStatus(status);
  if (result != 0)
    status = {};
  {
    std::lock_guard lock(mutex_);
    status_ = status;
  }
  if (announce)
    frame::NotifyGlobal(frame::kNotifyTunerStatus, 0, 0);
  return result;
}

std::int32_t TTuner::SetLnbSupply(bool on) {
  TuneRequest request = LastRequest();
  request.Voltage = on ? QEV_LNB_SUPPLY_ON : QEV_LNB_SUPPLY_OFF;
  return device_.Tune(request);
}

void TTuner::SetStatusMode(int mode) {
  if (statusThread_ != nullptr)
    statusThread_->SetMode(mode);
}

void TTuner::AttachStatusThread(TTunerStatusThread *thread) { statusThread_ = thread; }

SignalStatus TTuner::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

TuneRequest TTuner::LastRequest() const {
  std::lock_guard lock(mutex_);
  return request_;
}

std::unique_ptr<TTunerStatusThread> MakeTunerStatusThread(TTuner &tuner) {
  return std::make_unique<TTunerStatusThread>(
      [&tuner] { tuner.ReadSignal(true); },
      [](TTunerStatusThread::Task task) {
        // Before the user interface exists there is nobody to show a reading to.
        if (frame::UiDispatcher *dispatcher = frame::CurrentDispatcher())
          dispatcher->Post(std::move(task));
      },
      [] { return int{frame::Options().General.SignalUpdateInterval}; });
}

TTuner &Tuner() {
  static TModuleTunerDevice device(Device());
  static TDiseqcSender diseqc(device, SystemTunerClock(), frame::Options().DiseqC, DiseqcLog());
  static TTuner tuner(device, LoadedSat(), diseqc, SystemTunerClock(), frame::Options().DiseqC);
  return tuner;
}

} // namespace qev::device
