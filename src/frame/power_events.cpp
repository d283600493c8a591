#include "frame/power_events.h"

#include "frame/process_flags.h"
#include "frame/shutdown_sequence.h"

namespace qev::frame {

bool TPowerEvents::SuspendAllowed() const {
  return Flags().ForceExit || !hooks_.suspendRefused || !hooks_.suspendRefused();
}

void TPowerEvents::Suspend() {
  std::lock_guard lock(engineLock_);
  if (Flags().EngineSuspended)
    return;
  shutdown_.RunStep(ShutdownStep::ReleaseEngine);
  shutdown_.RunStep(ShutdownStep::UnloadDevice);
  Flags().EngineSuspended = true;
}

void TPowerEvents::Resume() {
  std::lock_guard lock(engineLock_);
  if (!Flags().EngineSuspended.exchange(false))
    return;
  if (hooks_.reloadDevice)
    hooks_.reloadDevice();
  if (hooks_.switchLastChannel)
    hooks_.switchLastChannel();
}

} // namespace qev::frame
