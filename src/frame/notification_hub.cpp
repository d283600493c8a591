#include "frame/notification_hub.h"

#include "frame/message_boxes.h"

#include <algorithm>
#include <condition_variable>
#include <string>

namespace qev::frame {

struct TNotificationHub::Entry {
  Entry(NotifyHandler h, void* c) : handler(h), context(c) {}
  bool Is(NotifyHandler h, void* c) const { return handler == h && context == c; }

  const NotifyHandler handler;
  void* const context;
  std::mutex mutex;
  std::condition_variable idle;
  int running = 0;
  bool removed = false;
};

namespace {

bool ValidIndex(int index) { return index >= 0 && index < kNotificationListCount; }

// The entries whose handlers run on this thread right now, so that a handler removing itself
// does not wait for its own return.
thread_local std::vector<const void*> callsOnThisThread;

} // namespace

bool TNotificationHub::Add(int index, NotifyHandler handler, void* context) {
  if (!ValidIndex(index)) {
    ShowError("Invalid index in AddGlobalNotification(" + std::to_string(index) + ")");
    return false;
  }
  if (handler == nullptr)
    return true;
  List& list = lists_[index];
  std::lock_guard lock(list.mutex);
  const bool present = std::any_of(list.entries.begin(), list.entries.end(),
                                   [&](const auto& e) { return e->Is(handler, context); });
  if (!present)
    list.entries.push_back(std::make_shared<Entry>(handler, context));
  return true;
}

void TNotificationHub::Remove(int index, NotifyHandler handler, void* context) {
  if (!ValidIndex(index))
    return;
  std::shared_ptr<Entry> entry;
  {
    List& list = lists_[index];
    std::lock_guard lock(list.mutex);
    auto it = std::find_if(list.entries.begin(), list.entries.end(),
                           [&](const auto& e) { return e->Is(handler, context); });
    if (it == list.entries.end())
      return;
    entry = *it;
    list.entries.erase(it);
  }
  const auto own = std::count(callsOnThisThread.begin(), callsOnThisThread.end(), entry.get());
  std::unique_lock lock(entry->mutex);
  entry->removed = true;
  entry->idle.wait(lock, [&] { return entry->running <= own; });
}

void TNotificationHub::Notify(int index, std::intptr_t first, std::intptr_t second) {
  if (!ValidIndex(index))
    return;
  std::vector<std::shared_ptr<Entry>> snapshot;
  {
    List& list = lists_[index];
    std::lock_guard lock(list.mutex);
    snapshot = list.entries;
  }
  for (const auto& entry : snapshot)
    Call(*entry, first, second);
}

void TNotificationHub::Call(Entry& entry, std::intptr_t first, std::intptr_t second) {
  {
    std::lock_guard lock(entry.mutex);
    if (entry.removed)
      return;
    ++entry.running;
  }
  callsOnThisThread.push_back(&entry);
  try {
    entry.handler(entry.context, first, second);
  } catch (...) {
    // A failing subscriber must not keep the others from hearing the news.
  }
  callsOnThisThread.pop_back();
  {
    std::lock_guard lock(entry.mutex);
    --entry.running;
  }
  entry.idle.notify_all();
}

TNotificationHub& GlobalNotifications() {
  static TNotificationHub hub;
  return hub;
}

void AddGlobalNotification(int index, NotifyHandler handler, void* context) {
  GlobalNotifications().Add(index, handler, context);
}

void RemoveGlobalNotification(int index, NotifyHandler handler, void* context) {
  GlobalNotifications().Remove(index, handler, context);
}

void NotifyGlobal(int index, std::intptr_t first, std::intptr_t second) {
  GlobalNotifications().Notify(index, first, second);
}

} // namespace qev::frame
