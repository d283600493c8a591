#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace qev::ui {

// The part of a guide event the main window shows for the programme on air.
struct TNowEvent {
  std::string Name;
  std::int64_t StartTime = 0; // UTC seconds since 1970
  std::uint32_t Duration = 0; // seconds
};

// Finds the event on air for a transport stream id and service id; empty = no guide.
using TNowLookup = std::function<std::optional<TNowEvent>(std::uint16_t tid, std::uint16_t sid)>;
// Converts UTC seconds to local seconds for the start and end clock times.
using TLocalTimeFn = std::function<std::int64_t(std::int64_t utcSeconds)>;

// The programme now on air for slot 0: event name, a time text in one of three modes and a
// progress bar.
class TProgrammeDisplay {
public:
  enum TMode { kStartEnd = 0, kElapsed = 1, kRemaining = 2 };

  // Without a converter the system's time zone is used.
  explicit TProgrammeDisplay(TLocalTimeFn toLocal = {});

  void SetLookup(TNowLookup lookup) { lookup_ = std::move(lookup); }

  // A switch of slot 0 ended: remember its channel and look its programme up.
  void Show(std::uint16_t tid, std::uint16_t sid, std::int64_t nowUtc);
  // Once per second: refresh the time text while the held event lasts, else look up again.
  void Tick(std::int64_t nowUtc);
  // A switch began: nothing is shown until the next Show.
  void Clear();
  // 0 -> 1 -> 2 -> 0; the time text follows at once.
  void CycleMode();

  int Mode() const { return mode_; }
  bool HasEvent() const { return event_.has_value(); }
  const std::string &EventText() const { return eventText_; }
  const std::string &TimeText() const { return timeText_; }
  // Never 0, so a toolkit bar does not turn into a busy indicator.
  int ProgressMax() const { return progressMax_; }
  int ProgressPosition() const { return progressPos_; }

private:
  void Lookup();
  void UpdateTexts();
  void ClearEvent();

  TNowLookup lookup_;
  TLocalTimeFn toLocal_;
  std::optional<std::pair<std::uint16_t, std::uint16_t>> channel_;
  std::optional<TNowEvent> event_;
  std::int64_t now_ = 0;
  int mode_ = kStartEnd;
  std::string eventText_;
  std::string timeText_;
  int progressMax_ = 1;
  int progressPos_ = 0;
};

// "hh:nn:ss" of a number of seconds (hours are not wrapped at 24).
std::string DurationText(std::int64_t seconds);
// "hh:nn" of the clock time of local seconds since 1970.
std::string ClockText(std::int64_t localSeconds);

} // namespace qev::ui
