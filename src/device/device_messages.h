#pragma once

#include "devapi/qev_devapi.h"

#include <functional>
#include <string>

namespace qev::device {

// What the program does with the device callback's messages; every handler runs on the
// user-interface thread.
struct DeviceMessageHandlers {
  std::function<void(int level, const std::string& text)> log;
  std::function<void(int bits, const ProgressRecord& progress)> progress;
  std::function<void(int value)> reception;
  std::function<void(int value)> windowMode;
};

void SetDeviceMessageHandlers(DeviceMessageHandlers handlers);

// The program's device callback (also the log routine's target). Safe from any thread: the
// data is copied and the work handed to the user-interface thread; reception and window-mode
// messages are posted, never waited for. While the program closes every message is ignored.
void ProgramDeviceCallback(std::int32_t message, std::int32_t value, void* data) noexcept;

} // namespace qev::device
