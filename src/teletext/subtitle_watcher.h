#pragma once

#include "teletext/subtitle_lines.h"
#include "teletext/ttx_cache.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qev::frame {
class TNotificationHub;
}

namespace qev::teletext {

using TSubtitleLines = std::vector<std::u16string>;

// What the watcher needs of the teletext: the cache it reads pages from, and keeping the
// collection running while it exists.
struct TSubtitleSource {
  const TTtxCache &Cache;
  std::function<void()> Acquire;
  std::function<void()> Release;
};

// Follows one teletext page for the subtitle overlay. Notification 13 arrives on the teletext
// delivery thread: the lines are built there and handed over as a copy through `post`, whose
// job is to carry them to the user-interface thread; the watcher never touches a window.
// An empty set of lines hides the overlay.
class TSubtitleWatcher {
public:
  using TPost = std::function<void(TSubtitleLines)>;

  // Subscribes to notification 13, then acquires the teletext.
  TSubtitleWatcher(frame::TNotificationHub &hub, TSubtitleSource source, TPost post);
  // Unsubscribes, then releases the teletext.
  ~TSubtitleWatcher();
  TSubtitleWatcher(const TSubtitleWatcher &) = delete;
  TSubtitleWatcher &operator=(const TSubtitleWatcher &) = delete;

  // Follows `page` from now on and posts its waiting line.
  void Follow(int page);
  int Page() const;

private:
  void OnTeletext(std::intptr_t first, std::intptr_t second);
  void PostWaitingLine();

  frame::TNotificationHub &hub_;
  TSubtitleSource source_;
  TPost post_;
  // Held while a set of lines is built and posted, so that posts leave in the order of the
  // events behind them and a page change never lets an older page's lines overtake.
  mutable std::mutex mutex_;
  int page_ = 0;
  TSubtitleLineBuilder builder_;
};

} // namespace qev::teletext
