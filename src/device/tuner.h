#pragma once

#include "devapi/qev_devapi.h"
#include "device/transponder_tuner.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>

namespace qev::frame {
struct TDiseqcOptions;
}

namespace qev::device {

class ITunerClock;
class ITunerDevice;
class TDiseqcSender;
class TTunerStatusThread;

// Tunes transponders of the loaded satellite and reads the signal. Runs on the user-interface
// thread; its waits pump messages.
class TTuner final : public ITransponderTuner {
public:
  TTuner(ITunerDevice &device, const TLoadedSat &sat, TDiseqcSender &diseqc, ITunerClock &clock,
         const frame::TDiseqcOptions &options);

  // 0 locked (or tuned without a wait), 1 no lock within the wait, kTuneRefused when there is
  // no satellite to tune or the polarisation is neither H nor V, else the device's error.
  std::int32_t TuneTransponder(std::uint32_t frequency, std::string_view polarisation,
                               std::uint32_t symbolRate, std::uint16_t lockWaitMs,
                               bool satelliteChanged) override;
  // Reads the status (zeroed on failure); with announce, notifies the tuner status list.
  std::int32_t ReadSignal(bool announce);
  // Switches the LNB supply on (255) or off (0) with the last request, which keeps its voltage.
  std::int32_t SetLnbSupply(bool on);
  // 0 pauses the status monitor, 1 lets it poll, 2 stops it for good.
  void SetStatusMode(int mode);
  // The monitor whose mode tuning changes; null detaches.
  void AttachStatusThread(TTunerStatusThread *thread);

  SignalStatus Status() const;
  TuneRequest LastRequest() const;

private:
  std::int32_t WaitForLock(std::uint16_t lockWaitMs);

  ITunerDevice &device_;
  const TLoadedSat &sat_;
  TDiseqcSender &diseqc_;
  ITunerClock &clock_;
  const frame::TDiseqcOptions &options_;
  mutable std::mutex mutex_;
  TuneRequest request_{};
  SignalStatus status_{};
  bool firstTune_ = true;
  TTunerStatusThread *statusThread_ = nullptr;
};

inline constexpr std::int32_t kTuneRefused = -3;
inline constexpr std::int32_t kTuneNoLock = 1;
// Voltages of the request.
inline constexpr std::uint32_t kVoltsVertical = 13;
inline constexpr std::uint32_t kVoltsHorizontal = 18;

// The program's tuner: the loaded device module, the loaded satellite, the options and the
// DiSEqC log.
TTuner &Tuner();

// The status monitor of a tuner, started paused: it reads and announces on the user-interface
// thread of the current dispatcher every SignalUpdateInterval while polling. The caller
// attaches it to the tuner, and detaches it before destroying it.
std::unique_ptr<TTunerStatusThread> MakeTunerStatusThread(TTuner &tuner);

} // namespace qev::device
