#pragma once
// The plugin log (the last 101 lines, each with its kind and the plugin it concerns) and the
// device-command log (the last 5 lines). Both may be written from any thread; each change is
// announced through notification 11.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qev::frame {
class TNotificationHub;
}

namespace qev::plugins {

enum class PluginLogKind : int {
  Info = 0,
  PluginAction = 1,
  Warning = 2,
  Error = 3,
  PluginLoaded = 4,
  FilterAdded = 5,
};

// The events of notification 11.
enum PluginHostEvent : int {
  kPluginLogChanged = 1,  // (1, 0)
  kCommandLogChanged = 2, // (2, 0)
  kSlotChannel = 3,       // (3, slot), (3, 256 + slot) device said 0, (3, 512 + slot) other
  kFilterChanged = 4,     // (4, 1) added, (4, 0) deleted
  kProfileApplied = 5,    // (5, profile)
};
inline constexpr int kDeviceAnsweredZero = 256;
inline constexpr int kDeviceAnsweredOther = 512;

inline constexpr std::size_t kPluginLogLines = 101;
inline constexpr std::size_t kCommandLogLines = 5;
inline constexpr int kHostLine = -1; // the plugin index of the host's own lines

struct TPluginLogLine {
  std::string Text;
  PluginLogKind Kind = PluginLogKind::Info;
  int PluginIndex = kHostLine;
};

class TPluginLog {
public:
  explicit TPluginLog(frame::TNotificationHub &hub) : hub_(hub) {}

  void Add(PluginLogKind kind, std::string text, int pluginIndex = kHostLine);
  std::vector<TPluginLogLine> Lines() const;
  void Clear();

  void AddCommand(std::string text);
  std::vector<std::string> Commands() const;
  void ClearCommands();

private:
  frame::TNotificationHub &hub_;
  mutable std::mutex mutex_;
  std::deque<TPluginLogLine> lines_;
  std::deque<std::string> commands_;
};

} // namespace qev::plugins
