#include "recording/sleep_timer.h"

#include "frame/process_flags.h"

#include <algorithm>
#include <cstdio>

namespace qev::recording {

using namespace std::chrono;

char SleepActionLetter(int action) {
  static constexpr char kLetters[] = "-ESHDR";
  return action >= 0 && action <= 5 ? kLetters[action] : '-';
}

std::string SleepRemainingText(seconds remaining) {
  const std::int64_t total = std::max<std::int64_t>(remaining.count(), 0);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(total / 3600),
                static_cast<long long>(total / 60 % 60), static_cast<long long>(total % 60));
  return text;
}

void TSleepTimer::SetSleepTimer(std::int64_t secondsFromNow, int action) {
  const std::int64_t ahead = std::clamp<std::int64_t>(secondsFromNow, 0, kMaxAhead.count());
  SetTrigger(clock_() + seconds(ahead), action);
  changedFromOutside_ = true;
}

void TSleepTimer::SetTrigger(TimePoint trigger, int action) {
  trigger_ = trigger;
  action_ = action;
  armed_ = true;
}

void TSleepTimer::ClearSleepTimer() {
  armed_ = false;
  trigger_ = {};
  action_ = kSleepNone;
  glyphShown_ = true;
}

TSleepTimer::TCheck TSleepTimer::CheckSleepTimer() {
  TCheck check;
  if (!armed_)
    return check;
  const auto left = trigger_ - clock_();
  const auto remaining = duration_cast<seconds>(left);
  if (remaining >= seconds(1)) {
    check.display.armed = true;
    check.display.text = SleepRemainingText(remaining);
    check.display.red = action_ == kSleepRecord;
    glyphShown_ = left > seconds(10) ? true : !glyphShown_;
    check.display.glyphShown = glyphShown_;
    return check;
  }
  check.fired = action_;
  ClearSleepTimer();
  return check;
}

TSleepStatus SleepStatus(const TSleepTimer &timer) {
  TSleepStatus status;
  if (!timer.Armed())
    return status;
  const auto remaining = duration_cast<seconds>(timer.Trigger() - timer.Now());
  if (remaining < seconds(1))
    return status;
  return {SleepRemainingText(remaining) + " " + SleepActionLetter(timer.Action()), true};
}

std::string ArmFromDialog(TSleepTimer &timer, TSleepTimer::TimePoint trigger,
                          const std::string &triggerText, int item) {
  if (timer.Now() >= trigger)
    return kWarnTriggerPast + triggerText;
  if (item < 0 || item > kSleepRecord - 1)
    return kWarnNoAction;
  timer.SetTrigger(trigger, item + 1);
  return {};
}

void FireSleepAction(int action, int recordMinutes, const TSleepHandlers &handlers) {
  // Only a close that really ends the program skips the recordings question; after a suspend
  // the program runs on and must still ask (and still refuse the system's sleep when told to).
  if (action == kSleepExit || action == kSleepShutdown)
    frame::Flags().ForceExit = true;
  const auto run = [](const std::function<void()> &handler) {
    if (handler)
      handler();
  };
  switch (action) {
  case kSleepExit:
    run(handlers.CloseProgram);
    break;
  case kSleepSuspend:
    run(handlers.Suspend);
    break;
  case kSleepHibernate:
    run(handlers.Hibernate);
    break;
  case kSleepShutdown:
    run(handlers.ShutDown);
    break;
  case kSleepRecord:
    if (handlers.RecordSlot0)
      handlers.RecordSlot0(recordMinutes);
    break;
  default:
    break;
  }
}

} // namespace qev::recording
