#include "teletext/subtitle_watcher.h"

#include "frame/notification_hub.h"

namespace qev::teletext {

namespace {
constexpr std::intptr_t kCacheCleared = 0;
constexpr std::intptr_t kTeletextStarted = 1;
} // namespace

TSubtitleWatcher::TSubtitleWatcher(frame::TNotificationHub &hub, TSubtitleSource source, TPost post)
    : hub_(hub), source_(std::move(source)), post_(std::move(post)) {
  hub_.Add(frame::kNotifyTeletext,
           frame::MethodHandler<TSubtitleWatcher, &TSubtitleWatcher::OnTeletext>, this);
  if (source_.Acquire)
    source_.Acquire();
}

TSubtitleWatcher::~TSubtitleWatcher() {
  hub_.Remove(frame::kNotifyTeletext,
              frame::MethodHandler<TSubtitleWatcher, &TSubtitleWatcher::OnTeletext>, this);
  if (source_.Release)
    source_.Release();
}

void TSubtitleWatcher::Follow(int page) {
  const std::lock_guard lock(mutex_);
  page_ = page;
  PostWaitingLine();
}

int TSubtitleWatcher::Page() const {
  const std::lock_guard lock(mutex_);
  return page_;
}

void TSubtitleWatcher::PostWaitingLine() { post_({WaitingLine(page_)}); }

void TSubtitleWatcher::OnTeletext(std::intptr_t first, std::intptr_t second) {
  const std::lock_guard lock(mutex_);
  if (first == kTtxCacheEvent) {
    if (second == kCacheCleared)
      post_({});
    else if (second == kTeletextStarted)
      PostWaitingLine();
    return;
  }
  if (page_ == 0 || first != page_)
    return;
  if (const auto page = source_.Cache.Get(static_cast<int>(first), static_cast<int>(second)))
    post_(builder_.Build(*page));
}

} // namespace qev::teletext
