#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace qev::frame {

// The numbered lists through which a change in one part of the program reaches the windows
// that show it. Index 0 is unused; the values each index carries are listed beside the
// constants.
enum NotificationIndex : int {
  kNotifyTunerStatus = 1,       // (0, 0)
  kNotifyRecording = 2,         // (1 started / 0 stopped, 0)
  kNotifyScheduledJobs = 3,     // (number of jobs, 0)
  kNotifyListsChanged = 4,      // (handle of a deleted channel or 0, 0)
  kNotifySwitchProgress = 5,    // (256 begins / 512 tuned / 768 ended, AV slot)
  kNotifyChannelSelected = 6,   // (caller's value, AV slot)
  kNotifyChannelStored = 7,     // (channel handle, caller's value)
  kNotifyPidNotation = 8,       // (0, 0)
  kNotifyVideoOutput = 9,       // (event * 256 + output, state change)
  kNotifyChildLock = 10,        // (0, 0)
  kNotifyPluginHost = 11,       // (event, event's value)
  kNotifyMediaType = 12,        // (output * 256 + kind, media description pointer)
  kNotifyTeletext = 13,         // (page or 0xAAAA, subpage)
};
inline constexpr int kNotificationListCount = 14;

// With a context the handler stands for a method of that object (see MethodHandler); without
// one it is a plain routine that ignores its first argument.
using NotifyHandler = void (*)(void* context, std::intptr_t first, std::intptr_t second);

template <typename T, void (T::*Method)(std::intptr_t, std::intptr_t)>
void MethodHandler(void* context, std::intptr_t first, std::intptr_t second) {
  (static_cast<T*>(context)->*Method)(first, second);
}

// Safe from any thread. Handlers run on the notifying thread but outside the list's lock, so a
// handler may add or remove subscribers (itself included); once Remove has returned, the
// removed handler is not running on another thread and is never called again.
class TNotificationHub {
public:
  // Returns false (after the error box) for an index outside 0..13.
  bool Add(int index, NotifyHandler handler, void* context);
  void Remove(int index, NotifyHandler handler, void* context);
  // Calls the handlers in the order they were added; one that throws does not stop the rest.
  void Notify(int index, std::intptr_t first, std::intptr_t second);

private:
  struct Entry;
  struct List {
    std::mutex mutex;
    std::vector<std::shared_ptr<Entry>> entries;
  };
  static void Call(Entry& entry, std::intptr_t first, std::intptr_t second);

  std::array<List, kNotificationListCount> lists_;
};

// The program's one hub.
TNotificationHub& GlobalNotifications();
void AddGlobalNotification(int index, NotifyHandler handler, void* context = nullptr);
void RemoveGlobalNotification(int index, NotifyHandler handler, void* context = nullptr);
void NotifyGlobal(int index, std::intptr_t first, std::intptr_t second);

} // namespace qev::frame
