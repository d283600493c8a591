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

bool TCallGate::CallerInside() { return callsOnThisThread > 0; }

std::optional<TCallInFlight> TCallGate::Oldest() const {
  std::lock_guard lock(mutex_);
  if (named_.empty())
    return std::nullopt;
  return named_.begin()->second;
}

std::uint64_t TCallGate::NameLocked(const char *name) {
  const std::uint64_t id = nextId_++;
  named_.emplace(id, TCallInFlight{name, std::chrono::steady_clock::now()});
  return id;
}

std::uint64_t TCallGate::Enter(const char *name) {
  std::lock_guard lock(mutex_);
  if (!open_)
    return 0;
  ++inFlight_;
  ++callsOnThisThread;
  return NameLocked(name);
}

void TCallGate::Leave(std::uint64_t id) {
  {
    std::lock_guard lock(mutex_);
    named_.erase(id);
    --inFlight_;
    --callsOnThisThread;
  }
  idle_.notify_all();
}

std::uint64_t TCallGate::Begin(const char *name) {
  std::lock_guard lock(mutex_);
  return NameLocked(name);
}

void TCallGate::End(std::uint64_t id) {
  std::lock_guard lock(mutex_);
  named_.erase(id);
}

} // namespace qev::device
