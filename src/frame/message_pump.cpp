#include "frame/message_pump.h"

#include "frame/ui_dispatcher.h"

#include <atomic>

namespace qev::frame {

void PumpMessages() {
  static std::atomic<bool> pumping{false};
  UiDispatcher* dispatcher = CurrentDispatcher();
  if (dispatcher == nullptr || !dispatcher->IsUiThread())
    return;
  if (pumping.exchange(true))
    return;
  struct Reset {
    ~Reset() { pumping.store(false); }
  } reset;
  dispatcher->ProcessPending();
}

} // namespace qev::frame
