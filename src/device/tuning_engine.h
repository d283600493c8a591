#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/av_device.h"
#include "device/channel_history.h"
#include "device/last_channels.h"
#include "device/slot_state.h"
#include "device/switch_hooks.h"
#include "device/switch_queue.h"
#include "device/transponder_tuner.h"
#include "frame/notification_hub.h"

#include <cstdint>
#include <functional>

namespace qev::device {

inline constexpr const char *kErrRecordingChannel = "Cannot change channel while recording...";
inline constexpr const char *kErrRecordingTransponder =
    "Cannot change sat/transponder while recording...";

// The values of notification 5.
enum SwitchProgress : int { kSwitchBegins = 256, kSwitchTuned = 512, kSwitchEnded = 768 };

// The flags of SetChannelPids.
enum PidFlags : int { kPidFlagsBase = 7, kPidFlagAc3 = 8, kPidFlagChanged = 16 };
inline constexpr std::uint16_t kNoTeletextPid = 0x1FFF;

// What the engine works with. Everything is borrowed and must outlive the engine.
struct TEngineLinks {
  data::TChannelLists &Lists;
  const data::TSatList &Sats;
  IAvDevice &Device;
  ITransponderTuner &Tuner;
  TLoadedSat &LoadedSat;
  TLastChannels &LastChannels;
  frame::TNotificationHub &Hub;
  std::function<TClock::time_point()> Clock = TClock::now;
};

// The four AV slots and the channel switch. Runs on the user-interface thread. A switch may
// pump messages while it tunes; a switch asked for then waits until the running one has ended
// (the last request per slot wins), so a switch never sees its target change under it.
class TTuningEngine {
public:
  explicit TTuningEngine(TEngineLinks links) : links_(std::move(links)) {}

  TSwitchHooks &Hooks() { return hooks_; }
  // Slots outside 0..3 are not asked for.
  const TSlotState &Slot(int slot) const { return slots_[slot]; }

  // True when the slot now plays the channel; false when refused, when the handle names no
  // channel, and when the request had to wait for a running switch (it runs afterwards).
  bool SwitchChannel(int slot, std::int32_t handle, bool showMessages);
  // A switch without messages that, when done, starts recording the slot for that long.
  bool SwitchAndRecord(int slot, std::int32_t handle, int minutes);
  // The guard, applied to the slot's pending channel.
  bool CanSwitch(int slot, bool showMessages) const;
  // Tunes the transponder of slot 0's pending channel.
  void TuneMainTransponder();
  void DvbEngine_ReleaseResources();

  void SelectSlotChannel(int slot, std::int32_t handle, std::intptr_t callerValue);
  bool StoreEditedChannel(std::int32_t handle, const data::TChannelRec &rec,
                          std::intptr_t callerValue);
  void ReswitchChannel(std::int32_t handle);
  void RefreshPluginChannel(std::int32_t handle);
  void SwapPip();
  // Slot 0 to the channel last played on that satellite; nothing when there is none.
  bool SwitchToSatellite(int satIndex);

private:
  bool Request(const TSwitchRequest &request);
  bool Perform(const TSwitchRequest &request);
  bool Switch(int slot, std::int32_t handle, bool showMessages);
  void Play(int slot);
  void PrepareMain();
  void AddToHistory(TSlotState &slot);
  void HandOverPids(int slot);
  void ApplySound(int slot);
  void ApplyPicture(int slot);
  void FinishMain();
  void CloseOutputsOnOldTransponder();
  void Notify(int index, std::intptr_t first, std::intptr_t second);

  TEngineLinks links_;
  TSwitchHooks hooks_;
  TAvSlots slots_;
  TSwitchQueue waiting_;
  bool busy_ = false;
};

} // namespace qev::device
