#include "device/device_messages.h"

#include "frame/message_pump.h"
#include "frame/process_flags.h"
#include "frame/ui_dispatcher.h"

#include <memory>
#include <mutex>

namespace qev::device {

namespace {

std::mutex handlersMutex;
std::shared_ptr<const DeviceMessageHandlers> currentHandlers =
    std::make_shared<DeviceMessageHandlers>();

std::shared_ptr<const DeviceMessageHandlers> Handlers() {
  std::lock_guard lock(handlersMutex);
  return currentHandlers;
}

void PostToUi(std::function<void()> task) {
  frame::UiDispatcher* dispatcher = frame::CurrentDispatcher();
  if (dispatcher != nullptr)
    dispatcher->Post(std::move(task));
  else
    task();
}

} // namespace

void SetDeviceMessageHandlers(DeviceMessageHandlers handlers) {
  auto shared = std::make_shared<const DeviceMessageHandlers>(std::move(handlers));
  std::lock_guard lock(handlersMutex);
  currentHandlers = std::move(shared);
}

void ProgramDeviceCallback(std::int32_t message, std::int32_t value, void* data) noexcept {
  if (frame::Flags().Closing)
    return;
  try {
    const auto handlers = Handlers();
    switch (message) {
    case QEV_MSG_PUMP:
      frame::PumpMessages();
      break;
    case QEV_MSG_LOG:
      if (handlers->log)
        frame::RunOnUiThread([handlers, value,
                              text = std::string(data ? static_cast<const char*>(data) : "")] {
          handlers->log(value, text);
        });
      break;
    case QEV_MSG_PROGRESS:
      if (handlers->progress && data != nullptr)
        frame::RunOnUiThread(
            [handlers, value, record = *static_cast<const ProgressRecord*>(data)] {
              handlers->progress(value, record);
            });
      break;
    case QEV_MSG_RECEPTION:
      if (handlers->reception)
        PostToUi([handlers, value] { handlers->reception(value); });
      break;
    case QEV_MSG_WINDOW_MODE:
      if (handlers->windowMode)
        PostToUi([handlers, value] { handlers->windowMode(value); });
      break;
    default:
      break;
    }
  } catch (...) {
    // A module's thread must never see one of our exceptions.
  }
}

} // namespace qev::device
