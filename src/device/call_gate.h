#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace qev::device {

// A call into the module that has not returned yet.
struct TCallInFlight {
  const char *name = "";
  std::chrono::steady_clock::time_point since;
};

// Lets calls into a loaded module pass while it is loaded, lets the unloader wait until the
// last call in flight has returned before the library goes away, and names the calls in flight
// so that one that never returns can be reported.
class TCallGate {
public:
  // Holds the gate open for one call; false when the gate is closed.
  class Pass {
  public:
    Pass(TCallGate &gate, const char *name) : gate_(gate), id_(gate.Enter(name)) {}
    ~Pass() {
      if (id_ != 0)
        gate_.Leave(id_);
    }
    Pass(const Pass &) = delete;
    Pass &operator=(const Pass &) = delete;
    explicit operator bool() const { return id_ != 0; }

  private:
    TCallGate &gate_;
    const std::uint64_t id_;
  };

  // Names a call that runs whether the gate is open or not (closing the device).
  class Mark {
  public:
    Mark(TCallGate &gate, const char *name) : gate_(gate), id_(gate.Begin(name)) {}
    ~Mark() { gate_.End(id_); }
    Mark(const Mark &) = delete;
    Mark &operator=(const Mark &) = delete;

  private:
    TCallGate &gate_;
    const std::uint64_t id_;
  };

  void Open();
  // Refuses new calls and waits for those in flight, except calls the closing thread itself
  // is inside of (a module that unloads from within a call into it cannot wait for itself).
  void Close();
  // Whether this thread is inside a call into a module.
  static bool CallerInside();
  // The longest-running call in flight, if any.
  std::optional<TCallInFlight> Oldest() const;

private:
  std::uint64_t Enter(const char *name);
  void Leave(std::uint64_t id);
  std::uint64_t Begin(const char *name);
  void End(std::uint64_t id);
  std::uint64_t NameLocked(const char *name);

  mutable std::mutex mutex_;
  std::condition_variable idle_;
  bool open_ = false;
  int inFlight_ = 0;
  std::uint64_t nextId_ = 1;
  std::map<std::uint64_t, TCallInFlight> named_; // by id, so the first is the oldest
};

} // namespace qev::device
