#pragma once

#include "av_flow_monitor.h"
#include "call_journal.h"
#include "devapi/qev_devapi.h"
#include "devkit/stream_engine.h"
#include "sky_tuner.h"
#include "ts_player.h"
#include "video_slots.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

namespace qev::sim {

// What tests may ask of the module through its extra exports.
struct TestHooks {
  std::atomic<int> refuseFilters{0}; // the next N StartFilter calls fail
  std::atomic<int> openDelayMs{0};   // OpenDevice takes this long
  std::atomic<bool> refusePluginData{false};
};

// OpenDevice results.
inline constexpr std::int32_t kOpenNoSky = 1;
// The decoder a freshly opened device uses (QEV_INFO_DECODER): a software one.
inline constexpr std::intptr_t kFirstDecoder = 1;
// Results of operations asked of a closed device.
inline constexpr std::int32_t kNotOpen = -1;

// The simulated card: its operations as the program calls them. Every operation may be called
// from any thread, also from inside a data callback.
class SimDevice {
public:
  using Notify = std::function<void(std::int32_t message, std::int32_t value, void *data)>;

  SimDevice(CallJournal &journal, TestHooks &hooks, Notify notify, std::filesystem::path skyFile);
  ~SimDevice();

  void SetSkyFile(std::filesystem::path path);
  std::int32_t Open();
  void Close();
  void ShowSettings();
  std::int32_t Tune(const TuneRequest &request);
  std::int32_t ReadSignal(SignalStatus &status);
  std::int32_t SendDiseqc(const std::uint8_t *bytes, std::int32_t length, std::int32_t burst);
  std::int32_t SetChannelPids(std::int32_t slot, std::uint16_t audio, std::uint16_t video,
                              std::uint16_t pcr, std::int32_t flags);
  std::int32_t SetTeletextPid(std::int32_t pid);
  std::int32_t StartFilter(std::uint16_t pid, FilterCallback callback, std::uint16_t mode,
                           const std::uint8_t *match, const std::uint8_t *mask, std::uint8_t flags,
                           void *context);
  std::int32_t StopFilter(std::int32_t handle);
  std::int32_t PassPluginData(std::int32_t slot, const std::uint8_t *block);
  std::intptr_t GetDeviceInfo(std::int32_t code, std::intptr_t parameter);
  void SetLockLost(bool lost);
  VideoSlots &Video() { return video_; }

private:
  // What exists while the device is open; the player is last so it stops first.
  struct Session {
    Session(Sky sky, devkit::TStreamEngine &engine, AvFlowMonitor::Report report,
            TsPlayer::Log log);
    SkyTuner tuner;
    AvFlowMonitor flow;
    TsPlayer player;
  };
  std::shared_ptr<Session> Current() const;
  std::filesystem::path SkyFile() const;
  void JournalLock(std::intptr_t delivery);

  CallJournal &journal_;
  TestHooks &hooks_;
  Notify notify_;
  devkit::TStreamEngine engine_;
  VideoSlots video_{engine_, journal_}; // after the engine: its feeds stop first
  std::atomic<std::intptr_t> decoder_{kFirstDecoder};
  std::atomic<std::intptr_t> journaledDelivery_{0};

  mutable std::mutex mutex_;
  std::shared_ptr<Session> session_; // under mutex_
  // Closed from inside a callback on its own player thread: freed by the next Open or Close.
  std::shared_ptr<Session> retired_; // under mutex_
  std::filesystem::path skyFile_;    // under mutex_
  std::string infoText_;             // under mutex_
};

} // namespace qev::sim
