#pragma once

#include "data/channel_lists.h"
#include "data/sat_list.h"
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/last_channels.h"
#include "device/tuner.h"
#include "device/tuner_device.h"
#include "device/tuning_engine.h"
#include "frame/notification_hub.h"
#include "tool/counting_surface.h"
#include "video/graph_slots.h"
#include "video/gst/gst_graph_factory.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qev::tool {

// What one slot has shown since the last switch was asked for.
struct TPlayState {
  std::optional<video::TMediaType> Video, Audio; // as the live source detected them
  video::TRenderCounts Counts;                   // what reached the renderers
  TSurfaceTally Surface;                         // what reached the surface
  std::uint64_t ScrambledPackets = 0;
  std::vector<std::string> Errors; // the pipeline's, the slot's and the module's
};

// The receiver's picture path without a window: graph slots on GStreamer pipelines, the
// device module loaded with the helper table that reaches them, and a tuning engine whose
// video step starts the module's output on a counting surface. One slot is played; the other
// slots' outputs count as open so that a switch of slot 0 (to tune for a picture-in-picture
// slot) builds no second graph. Runs on one thread; the module's threads only deliver.
class TPlaySession {
public:
  TPlaySession(const std::filesystem::path &module, data::TChannelLists &lists,
               const data::TSatList &sats, int slot, video::TRenderMode mode);
  ~TPlaySession(); // closes the output and unloads the module
  TPlaySession(const TPlaySession &) = delete;
  TPlaySession &operator=(const TPlaySession &) = delete;

  // Empty when the module is loaded and pictures can be made.
  const std::string &Error() const { return error_; }

  // Switches the played slot (for slots 1..3 slot 0 first, which tunes) and notes when it was
  // asked; false when the engine refused.
  bool Switch(std::int32_t handle);
  std::chrono::steady_clock::time_point RequestedAt() const { return requestedAt_; }
  // Whether the video output of the played slot is open.
  bool OutputOpen() const { return outputOpen_; }
  // Closes the played slot's output; the next switch opens it again.
  void StopOutput() { CloseOutput(slot_); }
  TCountingSurface &Surface() { return surface_; }
  TPlayState State() const;
  int Slot() const { return slot_; }

private:
  void OpenOutput(int output);
  void CloseOutput(int output);
  void InstallHooks();

  int slot_;
  std::string error_;
  TCountingSurface surface_;
  video::TGstGraphFactory factory_;
  video::TGraphSlots slots_;
  bool loaded_ = false;
  bool outputOpen_ = false;
  std::chrono::steady_clock::time_point requestedAt_{};

  device::TModuleTunerDevice tunerDevice_{device::Device()};
  device::TDiseqcSender diseqc_;
  device::TTuner tuner_;
  device::TModuleAvDevice av_{device::Device()};
  device::TLastChannels lastChannels_;
  frame::TNotificationHub hub_;
  device::TTuningEngine engine_;
};

} // namespace qev::tool
