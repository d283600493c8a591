#pragma once

#include "devapi/qev_devapi.h"
#include "devkit/stream_engine.h"
#include "dvb_settings.h"
#include "dvr_reader.h"
#include "frontend.h"
#include "kernel_calls.h"
#include "ts_tap.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace qev::linuxdvb {

// OpenDevice results besides 0.
inline constexpr std::int32_t kOpenBadSettings = 1;
inline constexpr std::int32_t kOpenNoAdapter = 2;
inline constexpr std::int32_t kOpenCannotOpen = 3;
inline constexpr std::int32_t kOpenNotSatellite = 4;
// StartFilter when the demux would not tap the PID.
inline constexpr std::int32_t kFilterNotTapped = -4;
// The DiSEqC level the module answers: the kernel sends whatever the program composes,
// positioner commands included.
inline constexpr std::intptr_t kDvbDiseqcLevel = 12;

// "No DVB adapter found in " + the DVB folder.
std::string NoAdapterText(const std::string &dvbFolder);

// A DVB-S/S2 card of the Linux DVB API as the program's device: the frontend for tuning, the
// demux tapping the wanted PIDs into the dvr device, and the reader feeding the stream engine.
// Operations may come from any thread, also from inside a data callback.
class TDvbDevice {
public:
  using Notify = std::function<void(std::int32_t message, std::int32_t value, void *data)>;

  TDvbDevice(IKernelCalls &kernel, Notify notify, std::filesystem::path settingsFile);
  ~TDvbDevice();
  TDvbDevice(const TDvbDevice &) = delete;
  TDvbDevice &operator=(const TDvbDevice &) = delete;

  std::int32_t Open();
  // Safe at any time, also twice and after a failed Open.
  void Close();
  void ShowSettings();
  std::int32_t Tune(const TuneRequest &request);
  std::int32_t ReadSignal(SignalStatus &status);
  std::int32_t SendDiseqc(const std::uint8_t *bytes, std::int32_t length, std::int32_t burst);
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                              std::uint16_t pcr);
  std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                           const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                           void *context);
  std::int32_t StopFilter(std::int32_t handle);
  std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter);

  const TDvrReader &Reader() const { return reader_; }

private:
  void Log(int level, const std::string &text);
  std::int32_t OpenDevices(const TDvbSettings &settings);
  std::int32_t CannotOpen(const std::string &path, int error);

  IKernelCalls &kernel_;
  const Notify notify_;
  const std::filesystem::path settingsFile_;
  devkit::TStreamEngine engine_;
  TFrontend frontend_;
  TTsTap tap_;
  TDvrReader reader_; // after the engine and the tap: it stops first

  std::mutex openMutex_; // one Open or Close at a time
  std::mutex mutex_;
  bool open_ = false;                            // under mutex_
  int lockWaitMs_ = kDefaultLockWaitMs;          // under mutex_
  std::string infoText_;                         // under mutex_
  std::map<std::int32_t, std::uint16_t> tapped_; // under mutex_: handle -> PID it taps
};

} // namespace qev::linuxdvb
