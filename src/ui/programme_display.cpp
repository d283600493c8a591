#include "ui/programme_display.h"

#include "data/date_time.h"

#include <algorithm>
#include <cstdio>

namespace qev::ui {

TProgrammeDisplay::TProgrammeDisplay(TLocalTimeFn toLocal)
    : toLocal_(toLocal ? std::move(toLocal) : TLocalTimeFn(data::UtcToLocal)) {}

void TProgrammeDisplay::Show(std::uint16_t tid, std::uint16_t sid, std::int64_t nowUtc) {
  channel_.emplace(tid, sid);
  now_ = nowUtc;
  Lookup();
}

void TProgrammeDisplay::Tick(std::int64_t nowUtc) {
  now_ = nowUtc;
  if (event_ && now_ >= event_->StartTime &&
      now_ <= event_->StartTime + static_cast<std::int64_t>(event_->Duration)) {
    UpdateTexts();
    return;
  }
  Lookup();
}

void TProgrammeDisplay::Clear() {
  channel_.reset();
  ClearEvent();
}

void TProgrammeDisplay::CycleMode() {
  mode_ = (mode_ + 1) % 3;
  if (event_)
    UpdateTexts();
}

void TProgrammeDisplay::Lookup() {
  std::optional<TNowEvent> found;
  if (channel_ && lookup_)
    found = lookup_(channel_->first, channel_->second);
  if (!found) {
    ClearEvent();
    return;
  }
  event_ = std::move(found);
  eventText_ = " " + event_->Name;
  UpdateTexts();
}

void TProgrammeDisplay::ClearEvent() {
  event_.reset();
  eventText_.clear();
  timeText_.clear();
  progressMax_ = 1;
  progressPos_ = 0;
}

void TProgrammeDisplay::UpdateTexts() {
  const std::int64_t duration = event_->Duration;
  const std::int64_t elapsed = std::clamp<std::int64_t>(now_ - event_->StartTime, 0, duration);
  switch (mode_) {
  case kStartEnd:
    timeText_ = ClockText(toLocal_(event_->StartTime)) + "-" +
                ClockText(toLocal_(event_->StartTime + duration));
    break;
  case kElapsed:
    timeText_ = "E " + DurationText(elapsed);
    break;
  default:
    timeText_ = "L " + DurationText(duration - elapsed);
    break;
  }
  timeText_ += ' ';
  progressMax_ = static_cast<int>(std::max<std::int64_t>(duration, 1));
  progressPos_ = static_cast<int>(elapsed);
}

std::string DurationText(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

std::string ClockText(std::int64_t localSeconds) {
  constexpr std::int64_t kDay = 86400;
  const std::int64_t ofDay = ((localSeconds % kDay) + kDay) % kDay;
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(ofDay / 3600),
                static_cast<int>(ofDay / 60 % 60));
  return text;
}

} // namespace qev::ui
