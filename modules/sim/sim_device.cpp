#include "sim_device.h"

#include <fmt/format.h>

#include <cstring>
#include <thread>

namespace qev::sim {

namespace {

constexpr std::intptr_t kDiseqcLevel = 12;
constexpr std::intptr_t kAllPidsWork = 1;

std::string HexBytes(const std::uint8_t *bytes, std::int32_t length) {
  std::string text;
  for (std::int32_t i = 0; i < length; ++i)
    text += fmt::format(" {:02X}", bytes[i]);
  return text;
}

// The longest start of `text` of at most `limit` bytes that ends on a character boundary.
std::size_t Utf8Prefix(const std::string &text, std::size_t limit) {
  if (text.size() <= limit)
    return text.size();
  std::size_t length = limit;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  return length;
}

std::string BurstText(std::int32_t burst) {
  return burst == 1 ? "A" : burst == 2 ? "B" : fmt::format("{}", burst);
}

} // namespace

SimDevice::Session::Session(Sky sky, devkit::TStreamEngine &engine, AvFlowMonitor::Report report,
                            TsPlayer::Log log)
    : tuner(sky), flow(std::move(report)), player(tuner, engine, flow, sky.fast, std::move(log)) {}

SimDevice::SimDevice(CallJournal &journal, TestHooks &hooks, Notify notify,
                     std::filesystem::path skyFile)
    : journal_(journal), hooks_(hooks), notify_(std::move(notify)), skyFile_(std::move(skyFile)) {}

SimDevice::~SimDevice() {
  Close();
  std::lock_guard lock(mutex_);
  retired_.reset();
}

void SimDevice::SetSkyFile(std::filesystem::path path) {
  std::lock_guard lock(mutex_);
  skyFile_ = std::move(path);
}

std::filesystem::path SimDevice::SkyFile() const {
  std::lock_guard lock(mutex_);
  return skyFile_;
}

std::shared_ptr<SimDevice::Session> SimDevice::Current() const {
  std::lock_guard lock(mutex_);
  return session_;
}

std::int32_t SimDevice::Open() {
  if (const int delay = hooks_.openDelayMs.load(); delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  Close();
  std::string error;
  auto sky = LoadSky(SkyFile(), error);
  if (!sky) {
    journal_.Add(fmt::format("OpenDevice -> {}", kOpenNoSky));
    notify_(QEV_MSG_LOG, 2, const_cast<char *>(("Dev_Sim: " + error).c_str()));
    return kOpenNoSky;
  }
  std::string info = sky->name;
  auto session = std::make_shared<Session>(
      std::move(*sky), engine_,
      [this](std::int32_t value) { notify_(QEV_MSG_RECEPTION, value, nullptr); },
      [this](const std::string &text) {
        journal_.Add("Silent transponder: " + text);
        notify_(QEV_MSG_LOG, 2, const_cast<char *>(("Dev_Sim: " + text).c_str()));
      });
  {
    std::lock_guard lock(mutex_);
    session_ = std::move(session);
    infoText_ = std::move(info);
  }
  journaledDelivery_ = 0;
  journal_.Add("OpenDevice -> 0");
  return 0;
}

void SimDevice::Close() {
  video_.CloseAll();
  // The device opened next starts as a freshly loaded module does, whether or not the module
  // was unloaded in between: no programme on any AV slot, the first decoder.
  engine_.ClearChannelPids();
  decoder_.store(kFirstDecoder);
  std::shared_ptr<Session> session;
  {
    std::lock_guard lock(mutex_);
    session.swap(session_);
    if (session && session->player.OnPlayerThread())
      retired_ = session;
    else
      retired_.reset();
  }
  if (!session)
    return;
  session->player.Stop();
  engine_.StopAll();
  journal_.Add("CloseDevice");
}

void SimDevice::ShowSettings() { journal_.Add("ShowDeviceSettings"); }

std::int32_t SimDevice::Tune(const TuneRequest &r) {
  const auto session = Current();
  const std::int32_t result = session ? 0 : kNotOpen;
  if (session)
    session->tuner.Tune(r, Clock::now());
  journal_.Add(fmt::format("Tune {} {} {} {} {} {} {} {} -> {}", r.Frequency, r.Always2,
                           r.SymbolRate, r.LnbFrequency, r.Tone, r.Voltage, r.Reserved,
                           r.DiseqcHint, result));
  return result;
}

std::int32_t SimDevice::ReadSignal(SignalStatus &status) {
  const auto session = Current();
  if (!session) {
    journal_.Add(fmt::format("GetSignalStatus -> {}", kNotOpen));
    return kNotOpen;
  }
  const Clock::time_point now = Clock::now();
  status = session->tuner.Status(now);
  journal_.Add(
      fmt::format("GetSignalStatus {} {} {} -> 0", status.Level, status.Quality, status.Bits));
  JournalLock(session->tuner.DeliveryCode(now));
  return 0;
}

// A line when a status read first sees a lock, or sees it gone.
void SimDevice::JournalLock(std::intptr_t delivery) {
  const std::intptr_t before = journaledDelivery_.exchange(delivery);
  if (delivery == before)
    return;
  const Delivery locked{static_cast<std::uint8_t>(delivery & 0xFF),
                        static_cast<std::uint8_t>((delivery >> 8) & 0xFF)};
  journal_.Add(delivery != 0 ? "Lock " + DeliveryName(locked) : std::string("Lock lost"));
}

std::int32_t SimDevice::SendDiseqc(const std::uint8_t *bytes, std::int32_t length,
                                   std::int32_t burst) {
  const auto session = Current();
  const bool valid = length >= 0 && length <= 8 && (bytes != nullptr || length == 0);
  const std::int32_t result = !session ? kNotOpen : valid ? 0 : -2;
  if (result == 0)
    session->tuner.SendDiseqc({bytes, static_cast<std::size_t>(length)}, burst, Clock::now());
  if (valid && length > 0)
    journal_.Add(fmt::format("SendDiseqc{} -> {}", HexBytes(bytes, length), result));
  else
    journal_.Add(fmt::format("SendDiseqc burst {} -> {}", BurstText(burst), result));
  return result;
}

std::int32_t SimDevice::SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                                       std::uint16_t pcr, std::int32_t flags) {
  engine_.SetChannelPids(slot, audio, video, pcr);
  if (const auto session = Current())
    session->flow.SetPids(slot, audio, video);
  journal_.Add(fmt::format("SetChannelPids {} 0x{:04X} 0x{:04X} 0x{:04X} {}", slot, audio, video,
                           pcr, flags));
  video_.SetPids(slot, audio, video, pcr, flags);
  return 0;
}

std::int32_t SimDevice::SetTeletextPid(std::int32_t pid) {
  journal_.Add(fmt::format("SetTeletextPid 0x{:04X}", pid));
  return 0;
}

std::int32_t SimDevice::StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                                    const std::uint8_t *match, const std::uint8_t *mask,
                                    std::uint8_t flags, void *context) {
  std::int32_t handle = kNotOpen;
  if (Current()) {
    int left = hooks_.refuseFilters.load();
    const bool refuse = left > 0 && hooks_.refuseFilters.compare_exchange_strong(left, left - 1);
    handle = refuse ? devkit::kFilterNoHandle
                    : engine_.StartFilter(pid, callback, mode, match, mask, flags, context);
  }
  journal_.Add(fmt::format("StartFilter 0x{:04X} {} {}{} -> {}", pid, mode, flags,
                           match != nullptr && mask != nullptr ? HexBytes(match, 3) : "", handle));
  return handle;
}

std::int32_t SimDevice::StopFilter(std::int32_t handle) {
  const std::int32_t result = engine_.StopFilter(handle);
  journal_.Add(fmt::format("StopFilter {} -> {}", handle, result));
  return result;
}

std::int32_t SimDevice::PassPluginData(std::int32_t slot, const std::uint8_t *block) {
  const std::int32_t accepted = block != nullptr && !hooks_.refusePluginData.load() ? 1 : 0;
  journal_.Add(fmt::format("PassPluginData {} -> {}", slot, accepted));
  return accepted;
}

std::intptr_t SimDevice::GetDeviceInfo(std::int32_t code, std::intptr_t parameter) {
  std::intptr_t result = 0;
  switch (code) {
  case QEV_INFO_DISEQC_LEVEL:
    result = kDiseqcLevel;
    break;
  case QEV_INFO_ALL_PIDS:
    result = kAllPidsWork;
    break;
  case QEV_INFO_DECODER:
    result = decoder_.load();
    break;
  case QEV_INFO_TEXT:
    if (parameter != 0) {
      std::lock_guard lock(mutex_);
      char *text = reinterpret_cast<char *>(parameter);
      const std::size_t length = Utf8Prefix(infoText_, QEV_INFO_TEXT_MAX);
      std::memcpy(text, infoText_.data(), length);
      text[length] = '\0';
      result = length > 0 ? 1 : 0;
    }
    break;
  case QEV_INFO_DELIVERY:
    if (const auto session = Current())
      result = session->tuner.DeliveryCode(Clock::now());
    break;
  case QEV_INFO_STREAM_ENDED:
    if (const auto session = Current())
      result = session->tuner.Ended() ? 1 : 0;
    break;
  case QEV_INFO_SELECT_DECODER:
    decoder_.store(parameter);
    result = 1;
    break;
  default:
    break;
  }
  journal_.Add(fmt::format("GetDeviceInfo {} {} -> {}", code, code == QEV_INFO_TEXT ? 0 : parameter,
                           result));
  return result;
}

void SimDevice::SetLockLost(bool lost) {
  if (const auto session = Current())
    session->tuner.SetLockLost(lost);
}

} // namespace qev::sim
