#include "dvb_device.h"

#include "adapter_list.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <span>

namespace qev::linuxdvb {

namespace {

// The first `limit` bytes of `text` or fewer, ending on a character boundary.
std::string Utf8Cut(const std::string &text, std::size_t limit) {
  if (text.size() <= limit)
    return text;
  std::size_t length = limit;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
    --length;
  return text.substr(0, length);
}

} // namespace

std::string NoAdapterText(const std::string &dvbFolder) {
  return "No DVB adapter found in " + dvbFolder;
}

TDvbDevice::TDvbDevice(IKernelCalls &kernel, Notify notify, std::filesystem::path settingsFile)
    : kernel_(kernel), notify_(std::move(notify)), settingsFile_(std::move(settingsFile)),
      frontend_(kernel, [this](int level, const std::string &text) { Log(level, text); }),
      tap_(kernel, [this](int level, const std::string &text) { Log(level, text); }),
      reader_(kernel, engine_, [this](int level, const std::string &text) { Log(level, text); }) {}

TDvbDevice::~TDvbDevice() { Close(); }

void TDvbDevice::Log(int level, const std::string &text) {
  if (notify_)
    notify_(QEV_MSG_LOG, level, const_cast<char *>(text.c_str()));
}

std::int32_t TDvbDevice::Open() {
  Close();
  std::lock_guard openLock(openMutex_);
  std::string error;
  const auto settings = LoadDvbSettings(settingsFile_, error);
  if (!settings) {
    Log(2, error);
    return kOpenBadSettings;
  }
  if (ListFrontends(kernel_, settings->dvbFolder).empty()) {
    Log(2, NoAdapterText(settings->dvbFolder));
    return kOpenNoAdapter;
  }
  const std::int32_t result = OpenDevices(*settings);
  if (result != 0) {
    reader_.Stop();
    tap_.Close();
    frontend_.Close();
  }
  return result;
}

std::int32_t TDvbDevice::CannotOpen(const std::string &path, int error) {
  const char *hint = error == -EACCES ? " (is the user in the group \"video\"?)" : "";
  Log(2, fmt::format("Cannot open {}: {}{}", path, std::strerror(-error), hint));
  return kOpenCannotOpen;
}

std::int32_t TDvbDevice::OpenDevices(const TDvbSettings &settings) {
  const auto path = [&](const char *kind) {
    return DevicePath(settings.dvbFolder, settings.adapter, kind, settings.frontend);
  };
  if (const int error = frontend_.Open(path("frontend")); error < 0)
    return CannotOpen(path("frontend"), error);
  const TFrontendInfo info = frontend_.Info();
  const std::string where = EntryName(settings.adapter, settings.frontend);
  if (!info.Satellite()) {
    Log(2, fmt::format("{} ({}) is not a DVB-S/S2 frontend", info.name, where));
    return kOpenNotSatellite;
  }
  if (const int error = tap_.Open(path("demux")); error < 0)
    return CannotOpen(path("demux"), error);
  if (const int error = reader_.Start(path("dvr")); error < 0)
    return CannotOpen(path("dvr"), error);
  {
    std::lock_guard lock(mutex_);
    open_ = true;
    lockWaitMs_ = settings.lockWaitMs;
    infoText_ = Utf8Cut(fmt::format("{}: {}", where, info.name), QEV_INFO_TEXT_MAX);
    tapped_.clear();
  }
  Log(0, fmt::format("{}: {}{}", where, info.name, info.dvbs2 ? " (DVB-S2)" : " (DVB-S)"));
  return 0;
}

void TDvbDevice::Close() {
  std::lock_guard openLock(openMutex_);
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    tapped_.clear();
    infoText_.clear();
  }
  reader_.Stop();
  engine_.StopAll();
  engine_.ClearChannelPids();
  tap_.Close();
  frontend_.Close();
}

void TDvbDevice::ShowSettings() {
  Log(0, fmt::format("Settings of this device: {}", settingsFile_.string()));
}

std::int32_t TDvbDevice::Tune(const TuneRequest &request) {
  int lockWaitMs = 0;
  {
    std::lock_guard lock(mutex_);
    lockWaitMs = lockWaitMs_;
  }
  const std::int32_t result =
      frontend_.Tune(request, lockWaitMs, [this] { notify_(QEV_MSG_PUMP, 0, nullptr); });
  if (result == kBadRequest)
    Log(2,
        fmt::format("Tune refused: {} kHz, oscillator {} kHz, {} symbols/s, voltage {}",
                    request.Frequency, request.LnbFrequency, request.SymbolRate, request.Voltage));
  return result;
}

std::int32_t TDvbDevice::ReadSignal(SignalStatus &status) { return frontend_.ReadSignal(status); }

std::int32_t TDvbDevice::SendDiseqc(const std::uint8_t *bytes, std::int32_t length,
                                    std::int32_t burst) {
  if (burst != 0)
    return length == 0 ? frontend_.SendBurst(burst) : kBadRequest;
  if (bytes == nullptr || length < kDiseqcMinBytes || length > kDiseqcMaxBytes) {
    // Cutting a message short would send another command: refuse it whole.
    Log(2, fmt::format("DiSEqC message of {} bytes not sent: the kernel sends {} to {} bytes",
                       length, kDiseqcMinBytes, kDiseqcMaxBytes));
    return kBadRequest;
  }
  return frontend_.SendDiseqc(std::span(bytes, static_cast<std::size_t>(length)));
}

std::int32_t TDvbDevice::SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                                        std::uint16_t pcr) {
  engine_.SetChannelPids(slot, audio, video, pcr);
  return 0;
}

std::int32_t TDvbDevice::StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                                     const std::uint8_t *match, const std::uint8_t *mask,
                                     std::uint8_t flags, void *context) {
  {
    std::lock_guard lock(mutex_);
    if (!open_)
      return kNotOpen;
  }
  const std::int32_t handle = engine_.StartFilter(pid, callback, mode, match, mask, flags, context);
  if (handle <= 0)
    return handle;
  // An AV slot's filter on all PIDs follows programmes that change: it taps the whole stream.
  const std::uint16_t tapPid = pid >= kWholeStream ? kWholeStream : pid;
  if (!tap_.AddPid(tapPid)) {
    engine_.StopFilter(handle);
    return kFilterNotTapped;
  }
  std::lock_guard lock(mutex_);
  tapped_[handle] = tapPid;
  return handle;
}

std::int32_t TDvbDevice::StopFilter(std::int32_t handle) {
  const std::int32_t result = engine_.StopFilter(handle);
  std::optional<std::uint16_t> pid;
  {
    std::lock_guard lock(mutex_);
    if (const auto found = tapped_.find(handle); found != tapped_.end()) {
      pid = found->second;
      tapped_.erase(found);
    }
  }
  if (pid)
    tap_.RemovePid(*pid);
  return result;
}

std::intptr_t TDvbDevice::GetDeviceInfo(std::int32_t code, std::intptr_t parameter) {
  switch (code) {
  case QEV_INFO_DISEQC_LEVEL:
    return kDvbDiseqcLevel;
  case QEV_INFO_ALL_PIDS:
    return 1;
  case QEV_INFO_TEXT: {
    if (parameter == 0)
      return 0;
    std::lock_guard lock(mutex_);
    std::memcpy(reinterpret_cast<char *>(parameter), infoText_.c_str(), infoText_.size() + 1);
    return infoText_.empty() ? 0 : 1;
  }
  case QEV_INFO_DELIVERY:
    return frontend_.DeliveryCode();
  default:
    return 0;
  }
}

} // namespace qev::linuxdvb
