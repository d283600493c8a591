#include "tool/tune_session.h"

#include "data/sat_list.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/tuner.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "frame/app_paths.h"
#include "frame/log.h"
#include "frame/options.h"
#include "tool/ts_sky.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace qev::tool {

namespace {

constexpr auto kEndPoll = std::chrono::milliseconds(10);

// Passes every call on and keeps what went over the DiSEqC bus.
class TRecordingDevice final : public device::ITunerDevice {
public:
  explicit TRecordingDevice(device::ITunerDevice &inner) : inner_(inner) {}
  std::int32_t Tune(const TuneRequest &request) override { return inner_.Tune(request); }
  std::int32_t GetSignalStatus(SignalStatus &status) override {
    return inner_.GetSignalStatus(status);
  }
  std::int32_t SendDiseqc(std::span<const std::uint8_t> bytes, std::int32_t burst) override {
    sent.push_back(burst != 0 ? fmt::format("burst {}", burst == 1 ? 'A' : 'B')
                              : fmt::format("{:02X}", fmt::join(bytes, " ")));
    return inner_.SendDiseqc(bytes, burst);
  }
  std::intptr_t DiseqcLevel() override { return inner_.DiseqcLevel(); }

  std::vector<std::string> sent;

private:
  device::ITunerDevice &inner_;
};

// The module's log lines, kept for the report.
std::mutex logMutex;
std::vector<std::pair<int, std::string>> logLines;

void CollectLog(std::int32_t message, std::int32_t value, void *data) {
  if (message != QEV_MSG_LOG || data == nullptr)
    return;
  std::lock_guard lock(logMutex);
  logLines.emplace_back(value, static_cast<const char *>(data));
}

void ReportLog(TToolContext &context) {
  std::lock_guard lock(logMutex);
  context.Doc["log"] = nlohmann::json::array();
  for (const auto &[level, text] : logLines) {
    context.Doc["log"].push_back(text);
    if (level == frame::kLogError && !context.Json)
      context.Err << "qevtool: " << text << '\n';
  }
  logLines.clear();
}

// "19.2E" / "0.8W" in tenths of a degree counted eastwards, as SatPos holds it.
std::optional<int> ParsePosition(const std::string &text) {
  if (text.size() < 2)
    return std::nullopt;
  const char side = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
  if (side != 'E' && side != 'W')
    return std::nullopt;
  const std::string number = text.substr(0, text.size() - 1);
  char *end = nullptr;
  const double degrees = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size() || !(degrees >= 0 && degrees <= 180))
    return std::nullopt;
  const int tenths = static_cast<int>(std::lround(degrees * 10));
  return side == 'E' ? tenths % 3600 : (3600 - tenths) % 3600;
}

// By satellite index (1..255) or by orbital position.
std::optional<data::TSatRec> FindSatellite(const data::TSatList &sats, const std::string &text) {
  data::TSatRec rec{};
  if (const auto index = ParseInt(text, 1, 255))
    return sats.SatGet(*index, rec) ? std::optional(rec) : std::nullopt;
  const auto position = ParsePosition(text);
  if (!position)
    return std::nullopt;
  for (const data::TSatRec &sat : sats.Items())
    if (sat.SatPos == *position)
      return sat;
  return std::nullopt;
}

const char *ModulationName(std::intptr_t modulation) {
  switch (modulation) {
  case QEV_MODULATION_QPSK:
    return " QPSK";
  case QEV_MODULATION_8PSK:
    return " 8PSK";
  case QEV_MODULATION_16APSK:
    return " 16APSK";
  case QEV_MODULATION_32APSK:
    return " 32APSK";
  default:
    return "";
  }
}

} // namespace

TTuneArgs TsSkyTune(const TTsSky &sky) {
  TTuneArgs args;
  args.sat = sky.Satellite();
  args.frequency = TTsSky::kFrequency;
  args.polarisation = std::string(1, TTsSky::kPolarisation);
  args.symbolRate = TTsSky::kSymbolRate;
  return args;
}

int TakeTuneArgs(TToolContext &context, const std::string &usage, TTuneArgs &args) {
  const std::optional<std::string> wait = context.TakeOption("--wait");
  const auto lockWait = wait ? ParseInt(*wait, 0, 65535) : std::optional(kDefaultLockWaitMs);
  if (!lockWait)
    return context.BadArguments("--wait takes 0..65535 ms");
  args.lockWaitMs = static_cast<std::uint16_t>(*lockWait);
  if (context.TsSky != nullptr && context.Args.empty()) {
    const std::uint16_t wait = args.lockWaitMs;
    args = TsSkyTune(*context.TsSky);
    args.lockWaitMs = wait;
    return kExitOk;
  }
  if (context.Args.size() != 4)
    return context.BadArguments("takes " + usage);
  const auto frequency = ParseInt(context.Args[1], 1, 2000000000);
  const auto symbolRate = ParseInt(context.Args[3], 1, 2000000000);
  if (!frequency || !symbolRate)
    return context.BadArguments("FREQ and SR are whole numbers");
  data::TSatList sats;
  sats.SatLoad();
  const auto sat = FindSatellite(sats, context.Args[0]);
  if (!sat)
    return context.Fail("no satellite " + context.Args[0] + " in " +
                        frame::Paths().SatListFile.string());
  args.sat = *sat;
  args.frequency = static_cast<std::uint32_t>(*frequency);
  args.polarisation = context.Args[2];
  args.symbolRate = static_cast<std::uint32_t>(*symbolRate);
  return kExitOk;
}

TLoadedModule::TLoadedModule(TToolContext &context) : context_(context), result_(kExitOk) {
  const std::filesystem::path module = context.DeviceModuleFile();
  if (module.empty())
    result_ = context.Fail(kNoDevice);
  else if (device::LoadDeviceModule(device::Device(), module, &CollectLog, nullptr) !=
           device::kLoaded)
    result_ = context.Fail("cannot load device module " + module.string());
}

TLoadedModule::~TLoadedModule() {
  device::Device().Unload();
  ReportLog(context_);
}

std::string DeliveryText(std::intptr_t code) {
  switch (code & 0xFF) {
  case QEV_DELIVERY_DVBS:
    return std::string("DVB-S") + ModulationName((code >> 8) & 0xFF);
  case QEV_DELIVERY_DVBS2:
    return std::string("DVB-S2") + ModulationName((code >> 8) & 0xFF);
  default:
    return "none";
  }
}

struct TToolTuner::TChain {
  explicit TChain(const data::TSatRec &sat) { device::LoadedSat().Load(sat); }
  device::TModuleTunerDevice module{device::Device()};
  TRecordingDevice recorder{module};
  device::TDiseqcSender sender{recorder, device::SystemTunerClock(), frame::Options().DiseqC,
                               device::DiseqcLog()};
  device::TTuner tuner{recorder, device::LoadedSat(), sender, device::SystemTunerClock(),
                       frame::Options().DiseqC};
};

TToolTuner::TToolTuner(const data::TSatRec &sat) : chain_(std::make_unique<TChain>(sat)) {}
TToolTuner::~TToolTuner() = default;
device::TTuner &TToolTuner::Tuner() { return chain_->tuner; }
const std::vector<std::string> &TToolTuner::DiseqcSent() const { return chain_->recorder.sent; }

int TuneAndReport(TToolContext &context, const TTuneArgs &args) {
  TToolTuner chain(args.sat);
  device::TTuner &tuner = chain.Tuner();
  const std::int32_t result = tuner.TuneTransponder(args.frequency, args.polarisation,
                                                    args.symbolRate, args.lockWaitMs, true);
  const SignalStatus status = tuner.Status();
  const TuneRequest request = tuner.LastRequest();
  const bool locked = result == 0 && (status.Bits & QEV_SIGNAL_LOCK) != 0;
  // Without a wait the tune only started: no lock yet is no failure.
  const bool pending = result == 0 && !locked && args.lockWaitMs == 0;
  const std::string delivery =
      DeliveryText(locked ? device::Device().GetDeviceInfo(QEV_INFO_DELIVERY, 0) : 0);

  context.Line(fmt::format("Satellite {:03d} {} {}", args.sat.SatIdx,
                           data::PositionText(args.sat.SatPos), data::SatName(args.sat)));
  context.Line(fmt::format("Request {} kHz {} sym/s LOF {} tone {} voltage {} hint {}",
                           request.Frequency, request.SymbolRate, request.LnbFrequency,
                           request.Tone, request.Voltage, request.DiseqcHint));
  for (const std::string &sent : chain.DiseqcSent())
    context.Line("DiSEqC " + sent);
  context.Line(fmt::format("Lock {} (result {})",
                           locked    ? "yes"
                           : pending ? "pending"
                                     : "no",
                           result));
  context.Line(fmt::format("Level {}", status.Level));
  context.Line(fmt::format("Quality {}", status.Quality));
  context.Line("Delivery " + delivery);
  context.Doc["satellite"] = {{"index", args.sat.SatIdx},
                              {"position", data::PositionText(args.sat.SatPos)},
                              {"name", data::SatName(args.sat)}};
  context.Doc["request"] = {{"frequency", request.Frequency}, {"symbolRate", request.SymbolRate},
                            {"lof", request.LnbFrequency},    {"tone", request.Tone},
                            {"voltage", request.Voltage},     {"diseqcHint", request.DiseqcHint}};
  context.Doc["diseqc"] = chain.DiseqcSent();
  context.Doc["result"] = result;
  context.Doc["locked"] = locked;
  context.Doc["lockPending"] = pending;
  context.Doc["level"] = status.Level;
  context.Doc["quality"] = status.Quality;
  context.Doc["bits"] = status.Bits;
  context.Doc["delivery"] = delivery;
  if (result == device::kTuneRefused)
    return context.Fail("tune refused");
  if (!locked && !pending)
    return context.Fail(result == device::kTuneNoLock ? "no lock"
                                                      : fmt::format("tune failed: {}", result));
  return kExitOk;
}

bool WaitForStreamEnd(std::optional<std::chrono::milliseconds> limit) {
  const auto start = std::chrono::steady_clock::now();
  while (device::Device().GetDeviceInfo(QEV_INFO_STREAM_ENDED, 0) == 0) {
    if (limit && std::chrono::steady_clock::now() - start >= *limit)
      return false;
    std::this_thread::sleep_for(kEndPoll); // the module tells the end only when asked
  }
  return true;
}

} // namespace qev::tool
