#pragma once

#include <functional>
#include <mutex>

namespace qev::frame {

class TShutdownSequence;

// Gives up the tuner around a system suspend and takes it back on resume. Suspend and resume
// may arrive while a previous one still runs; the engine lock serialises them.
class TPowerEvents {
public:
  struct Hooks {
    // The user does not want the machine to sleep while the program runs.
    std::function<bool()> suspendRefused;
    // Shows the start-up window, loads the same device module again and closes the window.
    std::function<void()> reloadDevice;
    // Switches AV slot 0 back to the last channel.
    std::function<void()> switchLastChannel;
  };

  TPowerEvents(const TShutdownSequence& shutdown, Hooks hooks)
      : shutdown_(shutdown), hooks_(std::move(hooks)) {}

  // Whether a suspend may go ahead; a forced exit lifts a refusal.
  bool SuspendAllowed() const;
  void Suspend();
  void Resume();

private:
  const TShutdownSequence& shutdown_;
  Hooks hooks_;
  std::mutex engineLock_;
};

} // namespace qev::frame
