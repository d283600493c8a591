#pragma once

#include <cstdint>
#include <memory>

namespace qev::device {
class TDeviceModule;
class TTuningEngine;
} // namespace qev::device
namespace qev::frame {
class TNotificationHub;
}
namespace qev::plugins {
class TModulePluginDevice;
class TPluginHost;
} // namespace qev::plugins
namespace qev::si {
class TDeviceFilterSource;
}
namespace qev::ui {
struct TUiSubsystems;
}

namespace qev::app {

// The program's plugin host from start to end: loaded at start-up over the device module,
// told of channel switches, of video outputs opening and closing and of recordings, its
// filters closed while the module is still there (shutdown and suspend), its channels told
// again after a resume.
class TPluginLink {
public:
  TPluginLink(device::TDeviceModule &device, device::TTuningEngine &engine,
              frame::TNotificationHub &hub);
  // Unplugs the engine's entries and the notifications, then frees the plugins.
  ~TPluginLink();
  TPluginLink(const TPluginLink &) = delete;
  TPluginLink &operator=(const TPluginLink &) = delete;

  plugins::TPluginHost &Host() { return *host_; }
  // The start-up step: loads the plugins (never fails the start).
  int LoadStep(bool pipPossible);
  // Before the device module is unloaded.
  void CloseFilters();
  // After the device module came back from a suspend.
  void Resumed();
  void FreeStep();
  void FillSubsystems(ui::TUiSubsystems &subsystems);

  // Notification handlers (video outputs, recordings); from any thread.
  void VideoOutput(std::intptr_t event, std::intptr_t value);
  void Recording(std::intptr_t started, std::intptr_t value);

private:
  void PlugEngine();

  device::TTuningEngine &engine_;
  frame::TNotificationHub &hub_;
  std::unique_ptr<plugins::TModulePluginDevice> device_;
  std::unique_ptr<si::TDeviceFilterSource> sections_;
  std::unique_ptr<plugins::TPluginHost> host_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace qev::app
