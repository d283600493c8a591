#pragma once

#include "frame/command_line.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace qev::frame {

// The parts of a command that the main window applies; an empty entry skips its part.
struct TStartRequestHooks {
  // Arms the sleep timer this many seconds ahead with an at-end action (1..4).
  std::function<void(std::int64_t seconds, int action)> SetSleepTimer;
  // 1 normal, 2 minimised to the tray, 3 full screen, 4 floating.
  std::function<void(int windowState)> ApplyWindowState;
};

enum class TStartRequestOrder { SleepTimerFirst, WindowStateFirst };

// The seconds a command's at-end action waits: its minutes and two seconds more, computed
// wide enough that no duration wraps around into the past.
std::int64_t AtEndSeconds(std::int32_t durationMinutes);

void ExecuteStartRequest(const TCommandRecord &record, const TStartRequestHooks &hooks,
                         TStartRequestOrder order);

struct TCommandHooks {
  // The main window has finished its creation.
  std::function<bool()> Ready;
  // Takes the device back when the engine was given up for a suspend.
  std::function<void()> ResumeEngine;
  std::function<void(std::int32_t handle)> View;
  std::function<void(std::int32_t handle, int minutes)> Record;
  // Next (+1) or previous (-1) channel, executed before the command goes on.
  std::function<void(int direction)> StepChannel;
  // The close request of the main window.
  std::function<void()> Close;
  TStartRequestHooks StartRequest;
};

// Executes the command lines that later starts hand over. Runs on the user-interface thread.
class TCommandReceiver {
public:
  TCommandReceiver(IChannelResolver &resolver, TCommandHooks hooks)
      : resolver_(resolver), hooks_(std::move(hooks)) {}

  // A text handed over before the main window is ready is dropped.
  void ReceiveCommand(std::string_view text);

private:
  IChannelResolver &resolver_;
  TCommandHooks hooks_;
};

} // namespace qev::frame
