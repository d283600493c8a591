#pragma once

#include <condition_variable>
#include <mutex>

namespace qev::device {

// Lets calls into a loaded module pass while it is loaded, and lets the unloader wait until
// the last call in flight has returned before the library goes away.
class TCallGate {
public:
  // Holds the gate open for one call; false when the gate is closed.
  class Pass {
  public:
    explicit Pass(TCallGate& gate) : gate_(gate), open_(gate.Enter()) {}
    ~Pass() {
      if (open_)
        gate_.Leave();
    }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;
    explicit operator bool() const { return open_; }

  private:
    TCallGate& gate_;
    const bool open_;
  };

  void Open();
  // Refuses new calls and waits for those in flight, except calls the closing thread itself
  // is inside of (a module that unloads from within a call into it cannot wait for itself).
  void Close();

private:
  bool Enter();
  void Leave();

  std::mutex mutex_;
  std::condition_variable idle_;
  bool open_ = false;
  int inFlight_ = 0;
};

} // namespace qev::device
