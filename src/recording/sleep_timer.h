#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace qev::recording {

enum TSleepAction : int {
  kSleepNone = 0,
  kSleepExit = 1,
  kSleepSuspend = 2,
  kSleepHibernate = 3,
  kSleepShutdown = 4,
  kSleepRecord = 5,
};

// "-", "E", "S", "H", "D", "R" for actions 0 to 5.
char SleepActionLetter(int action);
// "hh:nn:ss" of a span; hours go on beyond 23 rather than wrapping.
std::string SleepRemainingText(std::chrono::seconds remaining);

// What the timer button shows.
struct TSleepDisplay {
  bool armed = false;
  std::string text = "Timer"; // the caption, or the remaining time while armed
  bool red = false;           // action 5 shows in red, the others in blue
  bool glyphShown = true;     // blinks during the last ten seconds
  bool operator==(const TSleepDisplay &) const = default;
};

// One action at a set instant while the program runs. The trigger is an instant in UTC, so a
// change of the local time zone's offset (daylight saving) does not move it; the state lives
// only in memory.
class TSleepTimer {
public:
  using Clock = std::function<std::chrono::system_clock::time_point()>;
  using TimePoint = std::chrono::system_clock::time_point;
  // The longest a timer can be armed ahead; farther requests are clamped to it.
  static constexpr std::chrono::seconds kMaxAhead{std::int64_t(100) * 366 * 86400};

  explicit TSleepTimer(Clock clock = &std::chrono::system_clock::now) : clock_(std::move(clock)) {}

  // Armed by code (the command line): an open dialog reads the timer again.
  void SetSleepTimer(std::int64_t secondsFromNow, int action);
  // Armed from the dialog.
  void SetTrigger(TimePoint trigger, int action);
  void ClearSleepTimer();
  void SetAction(int action) { action_ = action; }

  bool Armed() const { return armed_; }
  TimePoint Trigger() const { return trigger_; }
  int Action() const { return action_; }
  int RecordMinutes() const { return recordMinutes_; }
  void SetRecordMinutes(int minutes) { recordMinutes_ = minutes; }
  TimePoint Now() const { return clock_(); }
  // Whether code armed the timer since the last call.
  bool TakeChangedFromOutside() { return std::exchange(changedFromOutside_, false); }

  struct TCheck {
    TSleepDisplay display;
    int fired = kSleepNone; // the action that is due now, once
  };
  // The main window's periodic check: the display, and the action when it is due (also when
  // the trigger passed while nobody checked).
  TCheck CheckSleepTimer();

private:
  Clock clock_;
  bool armed_ = false;
  TimePoint trigger_{};
  int action_ = kSleepNone;
  int recordMinutes_ = 0;
  bool changedFromOutside_ = false;
  bool glyphShown_ = true;
};

inline constexpr const char *kWarnTriggerPast = "Cannot set timer: (TriggerTime < Now)\r";
inline constexpr const char *kWarnNoAction = "Action not defined..";

// The dialog's status: the remaining time and the action letter while armed and not yet due,
// else "--:--:--".
struct TSleepStatus {
  std::string text = "--:--:--";
  bool armed = false;
  bool operator==(const TSleepStatus &) const = default;
};
TSleepStatus SleepStatus(const TSleepTimer &timer);

// The dialog's set button: arms the timer with item + 1 as the action, or returns the warning
// (the timer then stays as it was). triggerText is the trigger as the warning shows it.
std::string ArmFromDialog(TSleepTimer &timer, TSleepTimer::TimePoint trigger,
                          const std::string &triggerText, int item);

// What the fired actions do; an empty entry does nothing.
struct TSleepHandlers {
  std::function<void()> CloseProgram;
  std::function<void()> Suspend;
  std::function<void()> Hibernate;
  // Closes the program in order, then powers the machine off.
  std::function<void()> ShutDown;
  // Records AV slot 0's channel without asking, stopping after the minutes (0: no limit).
  std::function<void(int minutes)> RecordSlot0;
};

// Runs a fired action. Exit and shut down leave without asking about running recordings;
// suspend and hibernate return to a program whose close still asks.
void FireSleepAction(int action, int recordMinutes, const TSleepHandlers &handlers);

} // namespace qev::recording
