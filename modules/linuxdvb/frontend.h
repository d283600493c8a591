#pragma once

#include "adapter_list.h"
#include "devapi/qev_devapi.h"
#include "kernel_calls.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

namespace qev::linuxdvb {

// Results of the frontend's operations besides 0.
inline constexpr std::int32_t kKernelFailed = -1; // the kernel refused a call (logged)
inline constexpr std::int32_t kBadRequest = -2;   // the request cannot be sent as it stands
inline constexpr std::int32_t kNotOpen = -3;

// The kernel sends DiSEqC master commands of 3 to 6 bytes only.
inline constexpr int kDiseqcMinBytes = 3;
inline constexpr int kDiseqcMaxBytes = 6;
// How long the LNB needs after the continuous tone stops before the bus may be used, and after
// its supply is switched on.
inline constexpr int kToneSettleMs = 15;
inline constexpr int kSupplySettleMs = 100;
// The pace of the lock checks while a tune waits to see whether DVB-S locks.
inline constexpr int kLockPollMs = 50;

// Level and quality from what a frontend measures: decibel figures scaled over these ranges,
// relative ones (0..65535) as they stand.
inline constexpr int kLevelFloorMilliDbm = -90000;
inline constexpr int kLevelCeilingMilliDbm = -30000;
inline constexpr int kQualityCeilingMilliDb = 15000;

// One satellite frontend opened for tuning: LNB supply, continuous tone, DiSEqC, the DVBv5
// tune and the signal. Operations may come from several threads; each takes the frontend for
// its few calls only, so a status read is never held up by a tune's lock wait.
class TFrontend {
public:
  using Log = std::function<void(int level, const std::string &text)>;
  using Pump = std::function<void()>;

  TFrontend(IKernelCalls &kernel, Log log);
  ~TFrontend();
  TFrontend(const TFrontend &) = delete;
  TFrontend &operator=(const TFrontend &) = delete;

  // 0, or -errno of opening or asking the frontend.
  int Open(const std::string &path);
  void Close();
  TFrontendInfo Info() const;

  // The contract's tune: supply on/off alone for the voltages 255 and 0; otherwise voltage,
  // tone and the intermediate frequency |Frequency - LnbFrequency|, DVB-S first and, when the
  // frontend can, DVB-S2 after DVB-S did not lock within `lockWaitMs` (pumping in between).
  std::int32_t Tune(const TuneRequest &request, int lockWaitMs, const Pump &pump);
  // A master command of 3..6 bytes, with the continuous tone off.
  std::int32_t SendDiseqc(std::span<const std::uint8_t> message);
  // Tone burst 1 (A) or 2 (B), with the continuous tone off.
  std::int32_t SendBurst(std::int32_t burst);
  std::int32_t ReadSignal(SignalStatus &status);
  // The contract's delivery code (QEV_INFO_DELIVERY): 0 while not locked.
  std::intptr_t DeliveryCode();

private:
  struct Measure;
  bool Call(const char *name, int result);
  bool CallValue(const char *name, unsigned long request, unsigned long value);
  bool SetVoltageLocked(unsigned long voltage);
  bool ToneOffForBusLocked();
  std::int32_t TuneSystem(std::uint32_t system, std::uint32_t intermediateKhz,
                          std::uint32_t symbolRate);
  bool WaitForLock(int lockWaitMs, const Pump &pump);
  bool LockedNow();
  std::uint16_t ReadLevel(const Measure &measure);
  std::uint16_t ReadQuality(const Measure &measure);

  IKernelCalls &kernel_;
  const Log log_;
  mutable std::mutex mutex_;
  int fd_ = -1;                          // under mutex_
  TFrontendInfo info_;                   // under mutex_
  std::optional<unsigned long> voltage_; // under mutex_: the SEC voltage last set
  std::optional<bool> toneOn_;           // under mutex_: unknown until set
  std::uint32_t system_ = 0;             // under mutex_: the delivery system last tuned
};

} // namespace qev::linuxdvb
