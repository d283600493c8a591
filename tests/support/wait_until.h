#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace qev::test {

// Polls until `done` holds or ten seconds have passed; false on the time-out. For waits on
// another thread's work where no event exists to wait on.
inline bool WaitUntil(const std::function<bool()> &done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

} // namespace qev::test
