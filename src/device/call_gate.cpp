#include "device/call_gate.h"

namespace qev::device {

namespace {
thread_local int callsOnThisThread = 0;
} // namespace

void TCallGate::Open() {
  std::lock_guard lock(mutex_);
  open_ = true;
}

void TCallGate::Close() {
  std::unique_lock lock(mutex_);
  open_ = false;
  idle_.wait(lock, [this] { return inFlight_ <= callsOnThisThread; });
}

bool TCallGate::Enter() {
  std::lock_guard lock(mutex_);
  if (!open_)
    return false;
  ++inFlight_;
  ++callsOnThisThread;
  return true;
}

void TCallGate::Leave() {
  {
    std::lock_guard lock(mutex_);
    --inFlight_;
    --callsOnThisThread;
  }
  idle_.notify_all();
}

} // namespace qev::device
