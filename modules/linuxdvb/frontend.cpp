#include "frontend.h"

#include <fmt/format.h>

#include <sys/ioctl.h>

#include <linux/dvb/frontend.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace qev::linuxdvb {

namespace {

constexpr std::uint16_t kStatusBits =
    QEV_SIGNAL_SIGNAL | QEV_SIGNAL_CARRIER | QEV_SIGNAL_VITERBI | QEV_SIGNAL_SYNC | QEV_SIGNAL_LOCK;
static_assert(FE_HAS_SIGNAL == QEV_SIGNAL_SIGNAL && FE_HAS_CARRIER == QEV_SIGNAL_CARRIER &&
                  FE_HAS_VITERBI == QEV_SIGNAL_VITERBI && FE_HAS_SYNC == QEV_SIGNAL_SYNC &&
                  FE_HAS_LOCK == QEV_SIGNAL_LOCK,
              "the frontend's status bits are the contract's signal bits");

std::uint16_t Percent(long long value, long long floor, long long ceiling) {
  const long long clamped = std::clamp(value, floor, ceiling);
  return static_cast<std::uint16_t>((clamped - floor) * 100 / (ceiling - floor));
}

// A statistic as 0..100, or nothing when the frontend does not measure it.
std::optional<std::uint16_t> StatPercent(const dtv_property &property, long long decibelFloor,
                                         long long decibelCeiling) {
  if (property.result != 0 || property.u.st.len == 0)
    return std::nullopt;
  const dtv_stats &stat = property.u.st.stat[0];
  if (stat.scale == FE_SCALE_RELATIVE)
    return Percent(static_cast<long long>(stat.uvalue), 0, 0xFFFF);
  if (stat.scale == FE_SCALE_DECIBEL)
    return Percent(stat.svalue, decibelFloor, decibelCeiling);
  return std::nullopt;
}

std::intptr_t ModulationCode(std::uint32_t modulation) {
  switch (modulation) {
  case QPSK:
    return QEV_MODULATION_QPSK;
  case PSK_8:
    return QEV_MODULATION_8PSK;
  case APSK_16:
    return QEV_MODULATION_16APSK;
  case APSK_32:
    return QEV_MODULATION_32APSK;
  default:
    return 0;
  }
}

dtv_property Property(std::uint32_t command, std::uint32_t value = 0) {
  dtv_property property{};
  property.cmd = command;
  property.u.data = value;
  return property;
}

} // namespace

// The DVBv5 statistics read for one status.
struct TFrontend::Measure {
  std::array<dtv_property, 2> stats{Property(DTV_STAT_SIGNAL_STRENGTH), Property(DTV_STAT_CNR)};
  bool read = false;
};

TFrontend::TFrontend(IKernelCalls &kernel, Log log) : kernel_(kernel), log_(std::move(log)) {}

TFrontend::~TFrontend() { Close(); }

int TFrontend::Open(const std::string &path) {
  Close();
  const int fd = kernel_.Open(path, O_RDWR | O_NONBLOCK);
  if (fd < 0)
    return fd;
  TFrontendInfo info;
  if (const int result = ReadFrontendInfo(kernel_, fd, info); result < 0) {
    kernel_.Close(fd);
    return result;
  }
  std::lock_guard lock(mutex_);
  fd_ = fd;
  info_ = std::move(info);
  voltage_.reset();
  toneOn_.reset();
  system_ = 0;
  return 0;
}

void TFrontend::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ >= 0)
    kernel_.Close(fd_);
  fd_ = -1;
}

TFrontendInfo TFrontend::Info() const {
  std::lock_guard lock(mutex_);
  return info_;
}

bool TFrontend::Call(const char *name, int result) {
  if (result >= 0)
    return true;
  log_(2, fmt::format("{} failed: {}", name, std::strerror(-result)));
  return false;
}

bool TFrontend::CallValue(const char *name, unsigned long request, unsigned long value) {
  return Call(name, kernel_.IoctlValue(fd_, request, value));
}

bool TFrontend::SetVoltageLocked(unsigned long voltage) {
  if (!CallValue("FE_SET_VOLTAGE", FE_SET_VOLTAGE, voltage))
    return false;
  voltage_ = voltage;
  return true;
}

// The bus needs the LNB powered and the 22 kHz tone silent for a while before a message.
bool TFrontend::ToneOffForBusLocked() {
  if (!voltage_ || *voltage_ == SEC_VOLTAGE_OFF) {
    if (!SetVoltageLocked(SEC_VOLTAGE_13))
      return false;
    kernel_.Sleep(kSupplySettleMs);
  }
  if (toneOn_ == false)
    return true;
  if (!CallValue("FE_SET_TONE", FE_SET_TONE, SEC_TONE_OFF))
    return false;
  toneOn_ = false;
  kernel_.Sleep(kToneSettleMs);
  return true;
}

std::int32_t TFrontend::Tune(const TuneRequest &request, int lockWaitMs, const Pump &pump) {
  const bool supplyOnly =
      request.Voltage == QEV_LNB_SUPPLY_OFF || request.Voltage == QEV_LNB_SUPPLY_ON;
  if (!supplyOnly && request.Voltage != 13 && request.Voltage != 18)
    return kBadRequest;
  if (!supplyOnly && (request.SymbolRate == 0 || request.Frequency == request.LnbFrequency))
    return kBadRequest;
  std::vector<std::uint32_t> systems;
  {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
      return kNotOpen;
    if (supplyOnly)
      return SetVoltageLocked(request.Voltage == QEV_LNB_SUPPLY_ON ? SEC_VOLTAGE_13
                                                                   : SEC_VOLTAGE_OFF)
                 ? 0
                 : kKernelFailed;
    if (!SetVoltageLocked(request.Voltage == 18 ? SEC_VOLTAGE_18 : SEC_VOLTAGE_13) ||
        !CallValue("FE_SET_TONE", FE_SET_TONE, request.Tone != 0 ? SEC_TONE_ON : SEC_TONE_OFF))
      return kKernelFailed;
    toneOn_ = request.Tone != 0;
    if (info_.dvbs)
      systems.push_back(SYS_DVBS);
    if (info_.dvbs2)
      systems.push_back(SYS_DVBS2);
  }
  // The LNB maths is the program's: the tuner gets the intermediate frequency, which falls
  // below the oscillator for a C-band LNB.
  const auto intermediate = static_cast<std::uint32_t>(
      std::llabs(std::int64_t{request.Frequency} - std::int64_t{request.LnbFrequency}));
  for (std::size_t i = 0; i < systems.size(); ++i) {
    if (const std::int32_t result = TuneSystem(systems[i], intermediate, request.SymbolRate);
        result != 0)
      return result;
    if (i + 1 == systems.size() || WaitForLock(lockWaitMs, pump))
      break;
  }
  return 0;
}

std::int32_t TFrontend::TuneSystem(std::uint32_t system, std::uint32_t intermediateKhz,
                                   std::uint32_t symbolRate) {
  std::vector<dtv_property> properties{
      Property(DTV_CLEAR),
      Property(DTV_DELIVERY_SYSTEM, system),
      Property(DTV_FREQUENCY, intermediateKhz),
      Property(DTV_SYMBOL_RATE, symbolRate),
      Property(DTV_INNER_FEC, FEC_AUTO),
      Property(DTV_INVERSION, INVERSION_AUTO),
  };
  // DVB-S is always QPSK; a DVB-S2 frontend finds the modulation, pilots and roll-off itself.
  if (system == SYS_DVBS) {
    properties.push_back(Property(DTV_MODULATION, QPSK));
  } else {
    properties.push_back(Property(DTV_PILOT, PILOT_AUTO));
    properties.push_back(Property(DTV_ROLLOFF, ROLLOFF_AUTO));
  }
  properties.push_back(Property(DTV_TUNE));
  dtv_properties command{static_cast<std::uint32_t>(properties.size()), properties.data()};
  std::lock_guard lock(mutex_);
  if (fd_ < 0)
    return kNotOpen;
  if (!Call("FE_SET_PROPERTY", kernel_.Ioctl(fd_, FE_SET_PROPERTY, &command)))
    return kKernelFailed;
  system_ = system;
  return 0;
}

bool TFrontend::WaitForLock(int lockWaitMs, const Pump &pump) {
  for (int waited = 0; waited < lockWaitMs; waited += kLockPollMs) {
    kernel_.Sleep(kLockPollMs);
    if (pump)
      pump();
    if (LockedNow())
      return true;
  }
  return false;
}

bool TFrontend::LockedNow() {
  std::lock_guard lock(mutex_);
  fe_status_t status{};
  return fd_ >= 0 && kernel_.Ioctl(fd_, FE_READ_STATUS, &status) >= 0 &&
         (status & FE_HAS_LOCK) != 0;
}

std::int32_t TFrontend::SendDiseqc(std::span<const std::uint8_t> message) {
  if (message.size() < kDiseqcMinBytes || message.size() > kDiseqcMaxBytes)
    return kBadRequest;
  dvb_diseqc_master_cmd command{};
  std::copy(message.begin(), message.end(), command.msg);
  command.msg_len = static_cast<std::uint8_t>(message.size());
  std::lock_guard lock(mutex_);
  if (fd_ < 0)
    return kNotOpen;
  if (!ToneOffForBusLocked())
    return kKernelFailed;
  return Call("FE_DISEQC_SEND_MASTER_CMD", kernel_.Ioctl(fd_, FE_DISEQC_SEND_MASTER_CMD, &command))
             ? 0
             : kKernelFailed;
}

std::int32_t TFrontend::SendBurst(std::int32_t burst) {
  if (burst != 1 && burst != 2)
    return kBadRequest;
  std::lock_guard lock(mutex_);
  if (fd_ < 0)
    return kNotOpen;
  if (!ToneOffForBusLocked())
    return kKernelFailed;
  return CallValue("FE_DISEQC_SEND_BURST", FE_DISEQC_SEND_BURST,
                   burst == 1 ? SEC_MINI_A : SEC_MINI_B)
             ? 0
             : kKernelFailed;
}

std::int32_t TFrontend::ReadSignal(SignalStatus &status) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0)
    return kNotOpen;
  fe_status_t bits{};
  if (!Call("FE_READ_STATUS", kernel_.Ioctl(fd_, FE_READ_STATUS, &bits)))
    return kKernelFailed;
  Measure measure;
  dtv_properties command{static_cast<std::uint32_t>(measure.stats.size()), measure.stats.data()};
  measure.read = kernel_.Ioctl(fd_, FE_GET_PROPERTY, &command) >= 0;
  status.Bits = static_cast<std::uint16_t>(bits & kStatusBits);
  status.Level = ReadLevel(measure);
  status.Quality = ReadQuality(measure);
  return 0;
}

// The DVBv5 statistic when the frontend gives one, else the older 16-bit reading.
std::uint16_t TFrontend::ReadLevel(const Measure &measure) {
  if (measure.read)
    if (const auto level =
            StatPercent(measure.stats[0], kLevelFloorMilliDbm, kLevelCeilingMilliDbm))
      return *level;
  std::uint16_t strength = 0;
  if (kernel_.Ioctl(fd_, FE_READ_SIGNAL_STRENGTH, &strength) < 0)
    return 0;
  return Percent(strength, 0, 0xFFFF);
}

std::uint16_t TFrontend::ReadQuality(const Measure &measure) {
  if (measure.read)
    if (const auto quality = StatPercent(measure.stats[1], 0, kQualityCeilingMilliDb))
      return *quality;
  std::uint16_t snr = 0;
  if (kernel_.Ioctl(fd_, FE_READ_SNR, &snr) < 0)
    return 0;
  return Percent(snr, 0, 0xFFFF);
}

std::intptr_t TFrontend::DeliveryCode() {
  std::lock_guard lock(mutex_);
  fe_status_t bits{};
  if (fd_ < 0 || kernel_.Ioctl(fd_, FE_READ_STATUS, &bits) < 0 || (bits & FE_HAS_LOCK) == 0)
    return 0;
  std::array<dtv_property, 2> asked{Property(DTV_DELIVERY_SYSTEM), Property(DTV_MODULATION)};
  dtv_properties command{static_cast<std::uint32_t>(asked.size()), asked.data()};
  std::uint32_t system = system_;
  std::intptr_t modulation = QEV_MODULATION_QPSK;
  if (kernel_.Ioctl(fd_, FE_GET_PROPERTY, &command) >= 0) {
    system = asked[0].u.data;
    modulation = ModulationCode(asked[1].u.data);
  }
  const std::intptr_t delivery = system == SYS_DVBS2  ? QEV_DELIVERY_DVBS2
                                 : system == SYS_DVBS ? QEV_DELIVERY_DVBS
                                                      : 0;
  return delivery == 0 ? 0 : delivery | (modulation << 8);
}

} // namespace qev::linuxdvb
