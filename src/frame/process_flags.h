#pragma once

#include <atomic>

namespace qev::frame {

// Process-wide state read by many parts of the program.
struct ProcessFlags {
  // Shutdown has been agreed: device messages are ignored, a second close returns at once.
  std::atomic<bool> Closing{false};
  // Leave without asking about recordings; a suspend is no longer refused.
  std::atomic<bool> ForceExit{false};
  // The device has been given up for a system suspend.
  std::atomic<bool> EngineSuspended{false};
  // The device announces more than one video stream: the second AV slot exists.
  std::atomic<bool> PipPossible{false};
};

ProcessFlags& Flags();

} // namespace qev::frame
