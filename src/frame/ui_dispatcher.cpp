#include "frame/ui_dispatcher.h"

#include <atomic>

namespace qev::frame {

namespace {
std::atomic<UiDispatcher*> currentDispatcher{nullptr};
} // namespace

UiDispatcher* CurrentDispatcher() { return currentDispatcher.load(); }

void SetCurrentDispatcher(UiDispatcher* dispatcher) { currentDispatcher.store(dispatcher); }

void RunOnUiThread(UiDispatcher::Task task) {
  UiDispatcher* dispatcher = CurrentDispatcher();
  if (dispatcher == nullptr || dispatcher->IsUiThread())
    task();
  else
    dispatcher->Post(std::move(task));
}

} // namespace qev::frame
