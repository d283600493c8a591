#pragma once

#include <array>
#include <functional>
#include <string_view>

namespace qev::frame {

// The application's name as the desktop shows it.
inline constexpr const char *kApplicationTitle = "QEV-DVB";

// The places in the start-up, in the order they run. Each subsystem plugs its loader into its
// place; a place with nothing plugged in only writes its log line.
enum class StartupStep {
  Resources,         // "Loading resources"
  Options,           // "Loading settings", then the options
  Favorites,
  Satellites,
  LastChannels,
  HotKeys,
  Gestures,
  StartChannel,      // no channel at start unless the last one is wanted
  ProcessorAffinity,
  GraphSlotLocks,
  Device,            // 0 loaded or offline, 1 choice cancelled, 2 loading failed
  Plugins,           // "Loading plugins"
  Channels,          // "Loading channels"
  RemoteControl,     // logs "Enabling Winlirc" itself when the client is enabled
};
inline constexpr std::size_t kStartupStepCount = 14;

class TStartupSequence {
public:
  // Returns 0 to go on; any other value ends the start-up with that result.
  using Action = std::function<int()>;

  void Plug(StartupStep step, Action action);
  // Runs the places in order and returns the first non-zero result, else 0.
  int Run() const;

  static std::string_view LogLine(StartupStep step);

private:
  std::array<Action, kStartupStepCount> actions_;
};

} // namespace qev::frame
