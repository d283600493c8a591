#pragma once

#include "data/channel_rec.h"
#include "devapi/qev_devapi.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace qev::device {

// The sound settings of an output, which the channel's volume factor scales.
struct TSlotSound {
  int Volume = 100; // 0..100
  bool Muted = false;
};

// The parts of a channel switch that belong to the guide, teletext, plugins, video outputs,
// recorder and child lock. Each of them fills its own entries when it comes up; an empty entry
// does nothing, and an empty query answers no (or nothing).
struct TSwitchHooks {
  std::function<void()> EpgStop;
  std::function<void()> EpgClear;
  std::function<void()> EpgStart;

  std::function<void()> TtxStop;
  std::function<void(std::uint16_t ttxPid)> TtxRestart;

  std::function<void(int profile)> ApplyPluginProfile;
  std::function<void(int slot, bool forced)> NotifyPlugins;
  // The plugin host's own copy of a slot's channel, kept in step with an edit.
  std::function<void(std::int32_t handle, const data::TChannelRec &rec)> StorePluginChannel;

  std::function<bool(int output)> OutputOpen;
  // Opens the output in the window mode remembered for it.
  std::function<void(int output)> OpenOutput;
  std::function<void(int output)> CloseOutput;
  std::function<std::optional<TSlotSound>(int slot)> SlotSound;
  std::function<std::optional<PictureRecord>(int slot)> SlotPicture;
  std::function<void()> RefreshVolumeDisplay;

  std::function<bool()> RecordingActive;
  std::function<bool(int slot)> SlotRecorded;
  std::function<void()> RecStopAll;
  std::function<void(int slot, int minutes)> StartRecording;

  std::function<bool()> ChildLockActive;
};

} // namespace qev::device
